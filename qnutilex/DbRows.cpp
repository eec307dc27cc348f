#include "qnutilex/DbRows.h"

#include "qnutilex/DateText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// Large enough that a listing allocates rarely, small enough that a one-row result stays small.
constexpr std::size_t kBlockSize = 256 * 1024;
// Blocks kept between results: 8 MiB.
constexpr std::size_t kKeptBlocks = 32;

// The byte in front of each stored value says what follows it.
enum Tag : unsigned char {
  kTagNull = 0,
  kTagInteger = 1,     // a zigzag varint
  kTagReal = 2,        // eight bytes
  kTagLongText = 3,    // a varint length, then the bytes
  kTagThousandths = 4,  // a real that is a whole number of thousandths: a zigzag varint of them
  kTagDate = 5,        // 5 + 4 * unit + digits of the fraction (0-3), then a zigzag varint of the
                       // date in that unit: milliseconds, seconds or days since 1970 (0, 1, 2)
  kTagSharedText = 17,  // a text that begins as this column's text in a row above: the
                        // distance (a byte), how many bytes it shares, then the rest as a long text
  kTagShortText = 18,  // 18 + length, then the bytes
  kTagAbove = 128      // 128 + distance - 1: the value of this column in the row `distance` above
};
constexpr std::size_t kLongestShortText = kTagAbove - 1 - kTagShortText;
constexpr std::size_t kFarthestAbove = 256 - kTagAbove;
constexpr std::int64_t kMsPerDay = 86'400'000;
// A date is kept in the coarsest of these units that holds it whole: most are whole seconds,
// birthdays and due dates whole days.
constexpr std::int64_t kDateUnits[] = {1, 1000, kMsPerDay};
// A text shares the beginning of the one above only when that saves a few bytes: a listing
// sorted by identifiers, or by a study's start time, repeats their first characters row after row.
constexpr std::size_t kShortestSharedPrefix = 5;

void PutVarint(std::string& out, std::uint64_t value) {
  char bytes[10];
  std::size_t length = 0;
  for (; value >= 0x80; value >>= 7) bytes[length++] = static_cast<char>((value & 0x7F) | 0x80);
  bytes[length++] = static_cast<char>(value);
  out.append(bytes, length);
}

std::uint64_t GetVarint(const char*& in) {
  std::uint64_t value = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*in++);
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return value;
  }
}

std::uint64_t ZigZag(std::int64_t value) {
  return (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
}
std::int64_t UnZigZag(std::uint64_t value) {
  return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
}


// Thousandths of `real` when they are a whole number that gives back its very bits (a height of
// 168.5, a weight of 71.25), as short as an integer; else its eight bytes.
void PackReal(std::string& out, double real) {
  constexpr double kLargestThousandths = 9.0e15;  // below 2^53: every whole number exact
  const double rounded = std::round(real * 1000.0);
  if (std::fabs(rounded) < kLargestThousandths) {  // not NaN, not infinite, and exact as a whole number
    const auto thousandths = static_cast<std::int64_t>(rounded);
    if (std::bit_cast<std::uint64_t>(static_cast<double>(thousandths) / 1000.0) == std::bit_cast<std::uint64_t>(real)) {
      out.push_back(static_cast<char>(kTagThousandths));
      PutVarint(out, ZigZag(thousandths));
      return;
    }
  }
  char bytes[1 + sizeof(double)] = {static_cast<char>(kTagReal)};
  std::memcpy(bytes + 1, &real, sizeof(double));
  out.append(bytes, sizeof bytes);
}

void PackDate(std::string& out, std::int64_t ms, int fractionDigits) {
  const int unit = ms % kMsPerDay == 0 ? 2 : ms % 1000 == 0 ? 1 : 0;
  out.push_back(static_cast<char>(kTagDate + 4 * unit + fractionDigits));
  PutVarint(out, ZigZag(ms / kDateUnits[unit]));
}

void PackPlainText(std::string& out, std::string_view bytes) {
  if (bytes.size() <= kLongestShortText) {
    out.push_back(static_cast<char>(kTagShortText + bytes.size()));
  } else {
    out.push_back(static_cast<char>(kTagLongText));
    PutVarint(out, bytes.size());
  }
  out.append(bytes);
}

// A text, or the count of the date that it spells.
void PackText(std::string& out, std::string_view bytes) {
  std::int64_t ms;
  int fractionDigits;
  if (ReadDateText(bytes, ms, fractionDigits)) {
    PackDate(out, ms, fractionDigits);
  } else {
    PackPlainText(out, bytes);
  }
}

void PackCell(std::string& out, const DbCell& cell) {
  switch (cell.kind) {
    case DbKind::kInteger:
      out.push_back(static_cast<char>(kTagInteger));
      PutVarint(out, ZigZag(cell.integer));
      return;
    case DbKind::kReal:
      PackReal(out, cell.real);
      return;
    case DbKind::kText:
      PackText(out, cell.text);
      return;
    case DbKind::kNull:
      break;
  }
  out.push_back(static_cast<char>(kTagNull));
}

DbCell CellOf(const DbValue& value) {
  switch (value.kind) {
    case DbKind::kInteger:
      return DbCell::Integer(value.integer);
    case DbKind::kReal:
      return DbCell::Real(value.real);
    case DbKind::kText:
      return DbCell::Text(value.text);
    case DbKind::kNull:
      break;
  }
  return DbCell{};
}

std::vector<DbCell> CellsOf(std::span<const DbValue> values) {
  std::vector<DbCell> cells;
  cells.reserve(values.size());
  for (const DbValue& value : values) cells.push_back(CellOf(value));
  return cells;
}

std::size_t DistanceAbove(unsigned char tag) { return tag - kTagAbove + 1u; }

// The value stored at `in` (not a pointer above); a date as its count, its digits of a second
// in `dateDigits`.
DbCell UnpackValue(const char* in, int& dateDigits) {
  const auto tag = static_cast<unsigned char>(*in++);
  if (tag >= kTagShortText) return DbCell::Text(std::string_view(in, tag - kTagShortText));
  if (tag == kTagLongText) {
    const std::size_t length = GetVarint(in);
    return DbCell::Text(std::string_view(in, length));
  }
  if (tag >= kTagDate) {
    dateDigits = (tag - kTagDate) % 4;
    return DbCell::DateCount(UnZigZag(GetVarint(in)) * kDateUnits[(tag - kTagDate) / 4]);
  }
  if (tag == kTagInteger) return DbCell::Integer(UnZigZag(GetVarint(in)));
  if (tag == kTagThousandths) return DbCell::Real(static_cast<double>(UnZigZag(GetVarint(in))) / 1000.0);
  if (tag == kTagReal) {
    double real;
    std::memcpy(&real, in, sizeof real);
    return DbCell::Real(real);
  }
  return DbCell{};
}

void SkipValue(const char*& in) {
  const auto tag = static_cast<unsigned char>(*in++);
  if (tag >= kTagAbove) return;
  if (tag == kTagSharedText) {
    ++in;          // the distance
    GetVarint(in);  // the bytes shared
  }
  if (tag >= kTagShortText) {
    in += tag - kTagShortText;
  } else if (tag == kTagLongText || tag == kTagSharedText) {
    const std::size_t length = GetVarint(in);
    in += length;
  } else if (tag == kTagReal) {
    in += sizeof(double);
  } else if (tag != kTagNull) {
    GetVarint(in);
  }
}

char FoldAscii(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

// One pass without a library call: column names are short, and a cursor's reader compares one
// for every value it reads.
bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t index = 0; index < a.size(); ++index) {
    if (a[index] != b[index] && FoldAscii(a[index]) != FoldAscii(b[index])) return false;
  }
  return true;
}

}  // namespace

void DbRows::Reset(std::vector<std::string> columns, std::string sourceTable) {
  Clear();
  m_columns = std::move(columns);
  m_sourceTable = std::move(sourceTable);
  m_dateTexts.resize(m_columns.size());
  m_storedWhole.resize(m_columns.size());
  m_decodedWhole.resize(m_columns.size());
  m_textBases.resize(m_columns.size());
  m_plainTexts.assign(m_columns.size(), PlainText{});
  m_sharedTexts.resize(m_columns.size());
  // A spelling that found a column before finds it again only where the same name stands.
  if (m_askedFor == m_columns) return;
  m_askedNames.resize(m_columns.size());
  for (std::size_t column = 0; column < m_columns.size(); ++column) {
    if (!EqualNoCase(m_askedNames[column], m_columns[column])) m_askedNames[column].clear();
  }
  m_askedFor = m_columns;
}

void DbRows::Clear() {
  m_columns.clear();
  m_sourceTable.clear();
  m_pending.clear();
  ForgetPositions();  // what the columns stored is forgotten, its room kept for the next result's texts
  m_rowStarts.clear();
  m_blocksUsed = 0;
  m_blockUsed = 0;
  m_largeRows.clear();
  if (m_blocks.size() > kKeptBlocks) m_blocks.resize(kKeptBlocks);
  m_dateTexts.clear();
  m_decodedWhole.clear();
  m_lookupHint = 0;
}

const char* DbRows::StoreRow(std::string_view packed) {
  char* target;
  if (packed.size() > kBlockSize / 4) {
    // A large row gets a block of its own and leaves the shared block's room to small ones.
    target = m_largeRows.emplace_back(new char[packed.size()]).get();
  } else {
    if (m_blocksUsed == 0 || kBlockSize - m_blockUsed < packed.size()) {
      if (m_blocksUsed == m_blocks.size()) m_blocks.emplace_back(new char[kBlockSize]);
      ++m_blocksUsed;
      m_blockUsed = 0;
    }
    target = m_blocks[m_blocksUsed - 1].get() + m_blockUsed;
    m_blockUsed += packed.size();
  }
  std::memcpy(target, packed.data(), packed.size());
  return target;
}

bool DbRows::StoredWhole::Holds(const DbCell& cell) const {
  if (!held || kind != cell.kind) return false;
  switch (cell.kind) {
    case DbKind::kInteger:
      return integer == cell.integer;
    case DbKind::kReal:  // bit for bit: -0.0 is not 0.0
      return realBits == std::bit_cast<std::uint64_t>(cell.real);
    case DbKind::kText:
      return SameBytes(text, cell.text);
    case DbKind::kNull:
      break;
  }
  return true;
}

void DbRows::StoredWhole::Remember(const DbCell& cell, std::size_t atRow) {
  kind = cell.kind;
  integer = cell.integer;
  realBits = std::bit_cast<std::uint64_t>(cell.real);
  if (cell.kind == DbKind::kText) text.assign(cell.text);
  row = atRow;
  held = true;
}

void DbRows::AppendRow(std::span<const DbCell> cells) {
  if (m_columns.empty()) return;  // a result without columns has no rows to walk
  const std::size_t row = m_rowStarts.size();
  m_pending.clear();
  for (std::size_t column = 0; column < cells.size(); ++column) {
    StoredWhole& whole = m_storedWhole[column];
    if (whole.Holds(cells[column]) && row - whole.row <= kFarthestAbove) {
      m_pending.push_back(static_cast<char>(kTagAbove + (row - whole.row - 1)));
      continue;
    }
    std::size_t storedAt = row;
    if (cells[column].kind == DbKind::kText) {
      storedAt = PackText(cells[column].text, row, m_textBases[column]);
    } else {
      PackCell(m_pending, cells[column]);
    }
    whole.Remember(cells[column], storedAt);
  }
  m_rowStarts.push_back(StoreRow(m_pending));
}

std::size_t DbRows::PackText(std::string_view text, std::size_t row, TextBase& base) {
  std::int64_t ms;
  int fractionDigits;
  if (ReadDateText(text, ms, fractionDigits)) {
    PackDate(m_pending, ms, fractionDigits);
    return row;
  }
  const bool reachable = base.held && row - base.row <= kFarthestAbove;
  std::size_t shared = 0;
  if (reachable) {
    const std::size_t most = std::min(base.text.size(), text.size());
    while (shared < most && base.text[shared] == text[shared]) ++shared;
  }
  if (reachable && shared == text.size() && shared == base.text.size()) {  // the base again (values that take turns)
    m_pending.push_back(static_cast<char>(kTagAbove + (row - base.row - 1)));
    return base.row;
  }
  if (shared >= kShortestSharedPrefix) {
    m_pending.push_back(static_cast<char>(kTagSharedText));
    m_pending.push_back(static_cast<char>(row - base.row));
    PutVarint(m_pending, shared);
    PutVarint(m_pending, text.size() - shared);
    m_pending.append(text.substr(shared));
  } else {
    // Stored as it is: the text that the rows below may share the beginning of.
    PackPlainText(m_pending, text);
    base.text.assign(text);
    base.row = row;
    base.held = true;
  }
  return row;
}

void DbRows::AppendRow(std::span<const DbValue> values) { AppendRow(CellsOf(values)); }

std::string DbRows::PackedWhole(std::span<const DbCell> cells) const {
  std::string packed;
  for (const DbCell& cell : cells) PackCell(packed, cell);
  return packed;
}

bool DbRows::PointsTo(std::size_t row, std::size_t above) const {
  const char* in = m_rowStarts[row];
  for (std::size_t column = 0; column < m_columns.size(); ++column) {
    const auto tag = static_cast<unsigned char>(*in);
    if (tag >= kTagAbove && row - DistanceAbove(tag) == above) return true;
    if (tag == kTagSharedText && row - static_cast<unsigned char>(in[1]) == above) return true;
    SkipValue(in);
  }
  return false;
}

void DbRows::ReplaceRow(std::size_t row, std::span<const DbValue> values) {
  // The new cells go to the end of the arena; the row's old bytes stay unused until the result
  // changes. Rows below that point to its cells are stored whole first, with what they hold.
  const std::size_t end = std::min(RowCount(), row + kFarthestAbove + 1);
  for (std::size_t below = row + 1; below < end; ++below) {
    if (!PointsTo(below, row)) continue;
    std::vector<DbValue> kept;
    for (std::size_t column = 0; column < m_columns.size(); ++column) kept.push_back(Value(below, column));
    m_rowStarts[below] = StoreRow(PackedWhole(CellsOf(kept)));
  }
  m_rowStarts[row] = StoreRow(PackedWhole(CellsOf(values)));
  ForgetPositions();
}

void DbRows::ForgetPositions() {
  m_decodedRow = SIZE_MAX;
  for (StoredWhole& whole : m_storedWhole) whole.held = false;
  for (TextBase& base : m_textBases) base.held = false;
}

int DbRows::FindColumnByName(std::string_view name) const {
  const std::size_t count = m_columns.size();
  for (std::size_t step = 0; step < count; ++step) {
    const std::size_t column = (m_lookupHint + step) % count;
    if (EqualNoCase(m_columns[column], name)) {
      m_askedNames[column].assign(name);
      m_lookupHint = column + 1 == count ? 0 : column + 1;
      return static_cast<int>(column);
    }
  }
  return -1;
}

const char* DbRows::StartInRow(std::size_t row, std::size_t column) const {
  const char* in = m_rowStarts[row];
  for (std::size_t skipped = 0; skipped < column; ++skipped) SkipValue(in);
  return in;
}

void DbRows::Decode(const char* start, std::size_t row, std::size_t column) const {
  DecodedWhole& whole = m_decodedWhole[column];
  whole.row = row;
  whole.held = true;
  if (static_cast<unsigned char>(*start) != kTagSharedText) {
    whole.cell = UnpackValue(start, whole.dateDigits);
    if (whole.cell.kind == DbKind::kText && !whole.cell.isDateCount) m_plainTexts[column] = {row, whole.cell.text};
    return;
  }
  // The beginning of the plain text in the row above, then the rest.
  const char* in = start + 1;
  const std::size_t baseRow = row - static_cast<unsigned char>(*in++);
  const std::size_t shared = GetVarint(in);
  const std::size_t rest = GetVarint(in);
  PlainText& base = m_plainTexts[column];
  if (base.row != baseRow || base.text.data() == nullptr) {
    int unused;
    base = {baseRow, UnpackValue(StartInRow(baseRow, column), unused).text};
  }
  std::string& text = m_sharedTexts[column];
  text.assign(base.text.substr(0, shared)).append(in, rest);
  whole.cell = DbCell::Text(text);
}

void DbRows::DecodeRow(std::size_t row) const {
  const char* in = m_rowStarts[row];
  for (std::size_t column = 0; column < m_columns.size(); ++column) {
    DecodedWhole& whole = m_decodedWhole[column];
    const auto tag = static_cast<unsigned char>(*in);
    if (tag >= kTagAbove) {
      ++in;
      // Going down the rows, the value was decoded in the row above that the pointer names.
      const std::size_t above = row - DistanceAbove(tag);
      const PlainText& plain = m_plainTexts[column];
      if (whole.held && whole.row == above) continue;
      if (plain.text.data() && plain.row == above) {  // a text that takes turns with another
        whole = {above, true, DbCell::Text(plain.text), 0};
        continue;
      }
      Decode(StartInRow(above, column), above, column);
    } else {
      Decode(in, row, column);
      SkipValue(in);
    }
  }
  m_decodedRow = row;
}

const DbCell& DbRows::DateText(std::size_t column) const {
  const DecodedWhole& whole = m_decodedWhole[column];
  char* text = m_dateTexts[column].data();
  m_dateText = DbCell::Text(std::string_view(text, WriteDateText(whole.cell.UnixMilliseconds(), whole.dateDigits, text)));
  return m_dateText;
}

DbValue DbRows::Value(std::size_t row, std::size_t column) const {
  const DbCell cell = Cell(row, column);
  return DbValue{cell.kind, cell.integer, cell.real, std::string(cell.text)};
}
