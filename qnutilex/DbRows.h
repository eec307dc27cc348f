#pragma once

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
// appended cell by cell in column order, row after row. Storage is compact and never moves
// what it stored (cells and texts in fixed blocks), so a large listing costs about sixteen
// bytes per cell plus its text bytes, with no copying as it grows. Up to 8 MiB of blocks
// are kept from one result to the next, so that a listing shown again reuses them.
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

  std::size_t RowCount() const { return m_columns.empty() ? 0 : m_cellCount / m_columns.size(); }
  std::size_t ColumnCount() const { return m_columns.size(); }
  const std::string& ColumnName(std::size_t column) const { return m_columns[column]; }
  const std::string& SourceTable() const { return m_sourceTable; }

  // The index of the column named `name`, ASCII case ignored, or -1.
  int FindColumn(std::string_view name) const;
  // The value at (row, column); both must be in range.
  DbCell Cell(std::size_t row, std::size_t column) const;
  // The same value as an owning copy.
  DbValue Value(std::size_t row, std::size_t column) const;

 private:
  struct StoredCell {
    DbKind kind;
    std::uint32_t length;  // text bytes
    union {
      std::int64_t integer;
      double real;
      const char* text;
    };
  };

  static constexpr std::size_t kCellBlockBits = 12;  // 4096 cells, 64 KiB, a block
  static constexpr std::size_t kCellBlockSize = std::size_t{1} << kCellBlockBits;

  StoredCell StoreValue(const DbValue& value);
  const char* StoreText(std::string_view bytes);
  void PushCell(const StoredCell& cell);
  StoredCell& CellAt(std::size_t index) const {
    return m_cellBlocks[index >> kCellBlockBits][index & (kCellBlockSize - 1)];
  }

  std::vector<std::string> m_columns;
  std::string m_sourceTable;
  std::vector<std::unique_ptr<StoredCell[]>> m_cellBlocks;
  std::size_t m_cellCount = 0;
  std::vector<std::unique_ptr<char[]>> m_textBlocks;  // short texts, packed
  std::size_t m_textBlocksUsed = 0;  // the last one used is the one being filled
  std::size_t m_blockUsed = 0;       // bytes used in it
  std::vector<std::unique_ptr<char[]>> m_longTexts;  // one block each
  mutable std::size_t m_lookupHint = 0;  // where the next FindColumn looks first
};
