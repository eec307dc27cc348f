#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AfxExport.h"
#include "qnutilex/DbCell.h"
#include "qnutilex/DbValue.h"

// The rows of one query result, all in memory: what a client-side cursor walks. Values are
// appended cell by cell in column order, row after row. Each row is packed into one run of
// bytes in a shared arena (a kind byte per cell, small integers and lengths in as few bytes as
// they need, dates as a millisecond count), so a large listing costs little more than its text
// bytes and a pointer per row, and nothing stored ever moves. Up to 8 MiB of arena are kept from
// one result to the next, so that a listing shown again reuses them.
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

  void AppendNull();
  void AppendInteger(std::int64_t value);
  void AppendReal(double value);
  void AppendText(std::string_view bytes);
  // Appends a whole row; `values` has one value per column.
  void AppendRow(std::span<const DbValue> values);
  // Replaces every cell of `row` (< RowCount()) with `values`, one per column.
  void ReplaceRow(std::size_t row, std::span<const DbValue> values);

  std::size_t RowCount() const { return m_rowStarts.size(); }
  std::size_t ColumnCount() const { return m_columns.size(); }
  const std::string& ColumnName(std::size_t column) const { return m_columns[column]; }
  const std::string& SourceTable() const { return m_sourceTable; }

  // The index of the column named `name`, ASCII case ignored, or -1.
  int FindColumn(std::string_view name) const;
  // How Cell gives a stored date: as its text, or as its count of milliseconds, which a
  // reader that wants a date takes without spelling the text and reading it back.
  enum class DateForm { kText, kCount };

  // The value at (row, column); both must be in range. A date's text stays valid until the
  // next call for the same column or until the result changes.
  DbCell Cell(std::size_t row, std::size_t column, DateForm dates = DateForm::kText) const;
  // The same value as an owning copy.
  DbValue Value(std::size_t row, std::size_t column) const;

 private:
  const char* StoreRow(std::string_view packed);
  // Counts the cell just packed; a row complete with it moves to the arena.
  void FinishCell();
  // Where `column` of `row` starts in the arena.
  const char* CellStart(std::size_t row, std::size_t column) const;

  std::vector<std::string> m_columns;
  std::string m_sourceTable;
  std::string m_pending;  // the cells of the row being appended, packed
  std::size_t m_pendingCells = 0;
  std::vector<const char*> m_rowStarts;
  std::vector<std::unique_ptr<char[]>> m_blocks;  // rows, packed one after another
  std::size_t m_blocksUsed = 0;  // the last one used is the one being filled
  std::size_t m_blockUsed = 0;   // bytes used in it
  std::vector<std::unique_ptr<char[]>> m_largeRows;  // one block each
  // A date is stored as a count and shown as a text again: each column has room for one.
  mutable std::vector<std::array<char, 32>> m_dateTexts;
  // Callers read the cells of a row mostly in column order: where the last one read started.
  mutable std::size_t m_hintRow = 0, m_hintColumn = 0;
  mutable const char* m_hintStart = nullptr;
  mutable std::size_t m_lookupHint = 0;  // where the next FindColumn looks first
};
