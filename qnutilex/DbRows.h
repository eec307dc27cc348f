#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AfxExport.h"
#include "qnutilex/DbCell.h"
#include "qnutilex/DbValue.h"

// The rows of one query result, all in memory: what a client-side cursor walks. Rows are
// appended whole. Each is packed into one run of bytes in a shared arena (a kind byte per cell,
// small integers and lengths in as few bytes as they need, dates as a millisecond count), so a
// large listing costs little more than its text bytes and a pointer per row, and nothing stored
// ever moves. A cell that holds what the same column held in one of the 128 rows above, where
// it was last stored whole, is stored as one byte that points there: a patient's columns in each
// of her studies in a joined listing, a doctor, a date, a status repeated down the rows. Up to
// 8 MiB of arena are kept from one result to the next, so that a listing shown again reuses them.
class AFX_EXT_CLASS DbRows {
 public:
  DbRows() = default;
  DbRows(const DbRows&) = delete;
  DbRows& operator=(const DbRows&) = delete;
  virtual ~DbRows() = default;

  // Empties the result and gives it these columns; `sourceTable` names the one table that
  // every column comes from, or is empty when the rows do not come from one table.
  void Reset(std::vector<std::string> columns, std::string sourceTable);
  // Names the one table that the rows come from, once an engine has found it out.
  void SetSourceTable(std::string sourceTable) { m_sourceTable = std::move(sourceTable); }
  // No columns, no rows, no source table; storage beyond what is kept is released.
  void Clear();

  // Appends a row: one cell per column, each a null, an integer, a real or a text (its bytes
  // are copied; a date's count is not taken, its text is). Without columns, nothing.
  void AppendRow(std::span<const DbCell> cells);
  void AppendRow(std::span<const DbValue> values);
  // Replaces every cell of `row` (< RowCount()) with `values`, one per column; every other row
  // reads as before.
  void ReplaceRow(std::size_t row, std::span<const DbValue> values);

  std::size_t RowCount() const { return m_rowStarts.size(); }
  std::size_t ColumnCount() const { return m_columns.size(); }
  const std::string& ColumnName(std::size_t column) const { return m_columns[column]; }
  const std::string& SourceTable() const { return m_sourceTable; }

  // The index of the column named `name`, ASCII case ignored, or -1.
  int FindColumn(std::string_view name) const {
    // Callers read the columns of a row mostly in order, so the column after the last one
    // found is the likely one, asked for by the same spelling as before.
    if (m_lookupHint < m_columns.size() && SameBytes(m_askedNames[m_lookupHint], name)) {
      const std::size_t column = m_lookupHint;
      m_lookupHint = column + 1 == m_columns.size() ? 0 : column + 1;
      return static_cast<int>(column);
    }
    return FindColumnByName(name);
  }
  // How Cell gives a stored date: as its text, or as its count of milliseconds, which a
  // reader that wants a date takes without spelling the text and reading it back.
  enum class DateForm { kText, kCount };

  // The value at (row, column); both must be in range. Its text stays valid until the result
  // changes, or when it was spelled out again (a date's, one that shares the beginning of a text
  // above) until another row is read or the same column read again.
  DbCell Cell(std::size_t row, std::size_t column, DateForm dates = DateForm::kText) const {
    return CellAt(row, column, dates);
  }
  // The same, valid until the next call. A row's cells are decoded together when the first of
  // them is read.
  const DbCell& CellAt(std::size_t row, std::size_t column, DateForm dates) const {
    if (row != m_decodedRow) DecodeRow(row);
    const DbCell& cell = m_decodedWhole[column].cell;
    return cell.isDateCount && dates == DateForm::kText ? DateText(column) : cell;
  }
  // The same value as an owning copy.
  DbValue Value(std::size_t row, std::size_t column) const;

 private:
  // The value a column last stored whole, and in which row: what a later equal cell points to.
  struct StoredWhole {
    bool Holds(const DbCell& cell) const;
    void Remember(const DbCell& cell, std::size_t atRow);

    DbKind kind = DbKind::kNull;
    std::int64_t integer = 0;
    std::uint64_t realBits = 0;
    std::string text;
    std::size_t row = 0;
    bool held = false;
  };
  // The plain text that a column last stored, and its row: what texts below may share the
  // beginning of.
  struct TextBase {
    std::string text;
    std::size_t row = 0;
    bool held = false;
  };
  // A plain text as last decoded in a column, and its row.
  struct PlainText {
    std::size_t row = 0;
    std::string_view text;  // no data: none yet
  };
  // A column's value as last decoded from a whole cell, and the row it was in.
  struct DecodedWhole {
    std::size_t row = 0;
    bool held = false;
    DbCell cell;
    int dateDigits = 0;  // of a second, for a date's text
  };

  // Whether `a` and `b` hold the same bytes: for the short names and texts compared on every
  // cell, a few word loads instead of a call.
  static bool SameBytes(std::string_view a, std::string_view b) {
    const std::size_t size = a.size();
    if (size != b.size()) return false;
    if (size >= 8) {
      for (std::size_t at = 0; at + 8 < size; at += 8) {
        if (Word<std::uint64_t>(a, at) != Word<std::uint64_t>(b, at)) return false;
      }
      return Word<std::uint64_t>(a, size - 8) == Word<std::uint64_t>(b, size - 8);
    }
    if (size >= 4) {
      return Word<std::uint32_t>(a, 0) == Word<std::uint32_t>(b, 0) &&
             Word<std::uint32_t>(a, size - 4) == Word<std::uint32_t>(b, size - 4);
    }
    return a == b;
  }
  template <typename Unsigned>
  static Unsigned Word(std::string_view bytes, std::size_t at) {
    Unsigned word;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    return word;
  }
  int FindColumnByName(std::string_view name) const;
  const char* StoreRow(std::string_view packed);
  // Packs `cells` as a row of its own, every cell whole.
  std::string PackedWhole(std::span<const DbCell> cells) const;
  // Decodes every cell of `row` into m_decodedWhole, following pointers to rows above (dates
  // as counts).
  void DecodeRow(std::size_t row) const;
  // Decodes the cell of `column` at `start`, in `row`, into m_decodedWhole.
  void Decode(const char* start, std::size_t row, std::size_t column) const;
  // Packs a text of `row`: a date as its count; a text that shares enough of its beginning with
  // the column's `base` as the rest of it (or, the base itself, as a pointer to it); else as it
  // is, the new base. The row whose cell holds the text.
  std::size_t PackText(std::string_view text, std::size_t row, TextBase& base);
  // Where `column` of `row` starts, walked to from the row's start.
  const char* StartInRow(std::size_t row, std::size_t column) const;
  // The date decoded at `column`, spelled as its text.
  const DbCell& DateText(std::size_t column) const;
  // Whether a cell of `row` points to `above`.
  bool PointsTo(std::size_t row, std::size_t above) const;
  // After a row changed: forgets the row decoded and what each column last stored whole, so that
  // no row appended later points to the changed one.
  void ForgetPositions();

  std::vector<std::string> m_columns;
  std::string m_sourceTable;
  std::string m_pending;  // the row being appended, packed
  std::vector<StoredWhole> m_storedWhole;  // one per column
  std::vector<TextBase> m_textBases;       // one per column
  std::deque<const char*> m_rowStarts;  // grows without copying what it holds
  std::vector<std::unique_ptr<char[]>> m_blocks;  // rows, packed one after another
  std::size_t m_blocksUsed = 0;  // the last one used is the one being filled
  std::size_t m_blockUsed = 0;   // bytes used in it
  std::vector<std::unique_ptr<char[]>> m_largeRows;  // one block each
  // A date is stored as a count and shown as a text again: each column has room for one.
  mutable std::vector<std::array<char, 32>> m_dateTexts;
  // The row last decoded (SIZE_MAX: none) and each column's value in it, as decoded from a
  // whole cell of it or of the row above that its pointer names: what a pointer from the row
  // below finds without walking back.
  mutable std::size_t m_decodedRow = SIZE_MAX;
  mutable std::vector<DecodedWhole> m_decodedWhole;
  mutable std::vector<PlainText> m_plainTexts;     // the texts shared texts begin as
  mutable std::vector<std::string> m_sharedTexts;  // a shared text spelled out, per column
  mutable DbCell m_dateText;  // a date spelled out for the reader
  // Callers ask for columns by the same names row after row, result after result: the spelling
  // that last found each column, compared byte for byte before the comparison that ignores
  // case (kept from one result to the next where the same name stands).
  mutable std::vector<std::string> m_askedNames;
  std::vector<std::string> m_askedFor;  // the columns that the spellings were checked against
  mutable std::size_t m_lookupHint = 0;  // where the next FindColumn looks first
};
