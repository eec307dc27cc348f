#include "qnutilex/DbRows.h"

#include <cstring>

namespace {

// Large enough that a listing allocates rarely, small enough that a one-row result stays small.
constexpr std::size_t kTextBlockSize = 64 * 1024;
// Blocks of each kind kept between results: 4 MiB of cells and 4 MiB of texts.
constexpr std::size_t kKeptBlocks = 64;

// Engines cap a value far below 4 GiB (SQLite at 1 GB), and texts from the module come from
// CStrings, whose lengths are ints: every length fits the cell's 32-bit field.
std::uint32_t TextLength(std::string_view bytes) { return static_cast<std::uint32_t>(bytes.size()); }

char FoldAscii(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // callers mostly spell the names as the table does
  for (std::size_t index = 0; index < a.size(); ++index) {
    if (FoldAscii(a[index]) != FoldAscii(b[index])) return false;
  }
  return true;
}

}  // namespace

void DbRows::Reset(std::vector<std::string> columns, std::string sourceTable) {
  Clear();
  m_columns = std::move(columns);
  m_sourceTable = std::move(sourceTable);
}

void DbRows::Clear() {
  m_columns.clear();
  m_sourceTable.clear();
  m_cellCount = 0;
  m_textBlocksUsed = 0;
  m_blockUsed = 0;
  m_longTexts.clear();
  if (m_cellBlocks.size() > kKeptBlocks) m_cellBlocks.resize(kKeptBlocks);
  if (m_textBlocks.size() > kKeptBlocks) m_textBlocks.resize(kKeptBlocks);
  m_lookupHint = 0;
}

void DbRows::PushCell(const StoredCell& cell) {
  if ((m_cellCount >> kCellBlockBits) == m_cellBlocks.size()) {
    m_cellBlocks.emplace_back(new StoredCell[kCellBlockSize]);
  }
  CellAt(m_cellCount++) = cell;
}

void DbRows::AppendNull() { PushCell(StoredCell{DbKind::kNull, 0, {.integer = 0}}); }

void DbRows::AppendInteger(std::int64_t value) {
  PushCell(StoredCell{DbKind::kInteger, 0, {.integer = value}});
}

void DbRows::AppendReal(double value) { PushCell(StoredCell{DbKind::kReal, 0, {.real = value}}); }

void DbRows::AppendText(std::string_view bytes) {
  PushCell(StoredCell{DbKind::kText, TextLength(bytes), {.text = StoreText(bytes)}});
}

const char* DbRows::StoreText(std::string_view bytes) {
  if (bytes.empty()) return "";
  char* target;
  if (bytes.size() > kTextBlockSize / 4) {
    // A long text gets a block of its own and leaves the shared block's room to short ones.
    target = m_longTexts.emplace_back(new char[bytes.size()]).get();
  } else {
    if (m_textBlocksUsed == 0 || kTextBlockSize - m_blockUsed < bytes.size()) {
      if (m_textBlocksUsed == m_textBlocks.size()) m_textBlocks.emplace_back(new char[kTextBlockSize]);
      ++m_textBlocksUsed;
      m_blockUsed = 0;
    }
    target = m_textBlocks[m_textBlocksUsed - 1].get() + m_blockUsed;
    m_blockUsed += bytes.size();
  }
  std::memcpy(target, bytes.data(), bytes.size());
  return target;
}

DbRows::StoredCell DbRows::StoreValue(const DbValue& value) {
  switch (value.kind) {
    case DbKind::kInteger:
      return StoredCell{DbKind::kInteger, 0, {.integer = value.integer}};
    case DbKind::kReal:
      return StoredCell{DbKind::kReal, 0, {.real = value.real}};
    case DbKind::kText:
      return StoredCell{DbKind::kText, TextLength(value.text), {.text = StoreText(value.text)}};
    case DbKind::kNull:
      break;
  }
  return StoredCell{DbKind::kNull, 0, {.integer = 0}};
}

void DbRows::AppendRow(std::span<const DbValue> values) {
  for (const DbValue& value : values) PushCell(StoreValue(value));
}

void DbRows::ReplaceRow(std::size_t row, std::span<const DbValue> values) {
  const std::size_t first = row * m_columns.size();
  for (std::size_t column = 0; column < values.size(); ++column) CellAt(first + column) = StoreValue(values[column]);
}

int DbRows::FindColumn(std::string_view name) const {
  const std::size_t count = m_columns.size();
  // Callers read the columns of a row mostly in order, so the column after the last one
  // found is the likely one.
  for (std::size_t step = 0; step < count; ++step) {
    const std::size_t column = (m_lookupHint + step) % count;
    if (EqualNoCase(m_columns[column], name)) {
      m_lookupHint = column + 1;
      return static_cast<int>(column);
    }
  }
  return -1;
}

DbCell DbRows::Cell(std::size_t row, std::size_t column) const {
  const StoredCell& stored = CellAt(row * m_columns.size() + column);
  switch (stored.kind) {
    case DbKind::kInteger:
      return DbCell{DbKind::kInteger, stored.integer, 0.0, {}};
    case DbKind::kReal:
      return DbCell{DbKind::kReal, 0, stored.real, {}};
    case DbKind::kText:
      return DbCell{DbKind::kText, 0, 0.0, std::string_view(stored.text, stored.length)};
    case DbKind::kNull:
      break;
  }
  return DbCell{};
}

DbValue DbRows::Value(std::size_t row, std::size_t column) const {
  const DbCell cell = Cell(row, column);
  return DbValue{cell.kind, cell.integer, cell.real, std::string(cell.text)};
}
