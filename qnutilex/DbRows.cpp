#include "qnutilex/DbRows.h"

#include <cstring>

namespace {

// Large enough that a listing allocates rarely, small enough that a one-row result stays small.
constexpr std::size_t kBlockSize = 256 * 1024;
// Blocks kept between results: 8 MiB.
constexpr std::size_t kKeptBlocks = 32;

// The byte in front of each stored value says what follows it.
enum Tag : unsigned char {
  kTagNull = 0,
  kTagInteger = 1,   // a zigzag varint
  kTagReal = 2,      // eight bytes
  kTagLongText = 3,  // a varint length, then the bytes
  kTagDate = 4,      // 4 + digits of the fraction (0-3), then a zigzag varint of milliseconds
  kTagShortText = 8  // 8 + length, then the bytes
};
constexpr std::size_t kLongestShortText = 255 - kTagShortText;
constexpr std::int64_t kMsPerDay = 86'400'000;

void PutVarint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
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

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

void PutDigits(char* out, std::int64_t value, int count) {
  for (int index = count - 1; index >= 0; --index, value /= 10) out[index] = static_cast<char>('0' + value % 10);
}

// Writes "YYYY-MM-DD HH:MM:SS" and, with fraction digits, "." and that many digits of the
// milliseconds; returns the length. `ms` is one that ReadDate gave, so the year has four digits.
std::size_t FormatDate(std::int64_t ms, int fractionDigits, char* out) {
  const std::int64_t days = (ms >= 0 ? ms : ms - (kMsPerDay - 1)) / kMsPerDay;
  const std::int64_t inDay = ms - days * kMsPerDay;
  std::int64_t year;
  unsigned month, day;
  CivilFromDays(days, year, month, day);
  PutDigits(out, year, 4);
  out[4] = '-';
  PutDigits(out + 5, month, 2);
  out[7] = '-';
  PutDigits(out + 8, day, 2);
  out[10] = ' ';
  PutDigits(out + 11, inDay / 3'600'000, 2);
  out[13] = ':';
  PutDigits(out + 14, inDay / 60'000 % 60, 2);
  out[16] = ':';
  PutDigits(out + 17, inDay / 1000 % 60, 2);
  if (fractionDigits == 0) return 19;
  out[19] = '.';
  static constexpr int kScale[] = {1000, 100, 10, 1};
  PutDigits(out + 20, inDay % 1000 / kScale[fractionDigits], fractionDigits);
  return 20 + static_cast<std::size_t>(fractionDigits);
}

bool ReadDigits(std::string_view text, std::size_t at, std::size_t count, std::int64_t& value) {
  value = 0;
  for (std::size_t index = at; index < at + count; ++index) {
    if (text[index] < '0' || text[index] > '9') return false;
    value = value * 10 + (text[index] - '0');
  }
  return true;
}

unsigned DaysInMonth(std::int64_t year, std::int64_t month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// A date text as both engines write it ("2026-03-01 08:15:30.250", the fraction shorter or
// missing) read as milliseconds; true only for a real date and time in that very spelling, so
// that FormatDate gives back the same text byte for byte.
bool ReadDate(std::string_view text, std::int64_t& ms, int& fractionDigits) {
  if (text.size() != 19 && (text.size() < 21 || text.size() > 23 || text[19] != '.')) return false;
  if (text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':') return false;
  std::int64_t year, month, day, hour, minute, second, fraction = 0;
  fractionDigits = text.size() == 19 ? 0 : static_cast<int>(text.size() - 20);
  if (!ReadDigits(text, 0, 4, year) || !ReadDigits(text, 5, 2, month) || !ReadDigits(text, 8, 2, day) ||
      !ReadDigits(text, 11, 2, hour) || !ReadDigits(text, 14, 2, minute) || !ReadDigits(text, 17, 2, second) ||
      !ReadDigits(text, 20, static_cast<std::size_t>(fractionDigits), fraction)) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59) {
    return false;
  }
  for (int digit = fractionDigits; digit < 3; ++digit) fraction *= 10;
  ms = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * kMsPerDay +
       ((hour * 60 + minute) * 60 + second) * 1000 + fraction;
  return true;
}

// A text, or the count of the date that it spells.
void PackText(std::string& out, std::string_view bytes) {
  std::int64_t ms;
  int fractionDigits;
  if (ReadDate(bytes, ms, fractionDigits)) {
    out.push_back(static_cast<char>(kTagDate + fractionDigits));
    PutVarint(out, ZigZag(ms));
    return;
  }
  if (bytes.size() <= kLongestShortText) {
    out.push_back(static_cast<char>(kTagShortText + bytes.size()));
  } else {
    out.push_back(static_cast<char>(kTagLongText));
    PutVarint(out, bytes.size());
  }
  out.append(bytes);
}

void PackValue(std::string& out, const DbValue& value) {
  switch (value.kind) {
    case DbKind::kInteger:
      out.push_back(static_cast<char>(kTagInteger));
      PutVarint(out, ZigZag(value.integer));
      return;
    case DbKind::kReal: {
      char bytes[sizeof(double)];
      std::memcpy(bytes, &value.real, sizeof bytes);
      out.push_back(static_cast<char>(kTagReal));
      out.append(bytes, sizeof bytes);
      return;
    }
    case DbKind::kText:
      PackText(out, value.text);
      return;
    case DbKind::kNull:
      break;
  }
  out.push_back(static_cast<char>(kTagNull));
}

// Reads the value at `in` and moves `in` past it; a date's text is written to `dateText`, or
// the date given as its count.
DbCell UnpackValue(const char*& in, char* dateText, DbRows::DateForm dates) {
  const auto tag = static_cast<unsigned char>(*in++);
  if (tag >= kTagShortText || tag == kTagLongText) {
    const std::size_t length = tag >= kTagShortText ? tag - kTagShortText : GetVarint(in);
    const std::string_view text(in, length);
    in += length;
    return DbCell::Text(text);
  }
  if (tag >= kTagDate) {
    const std::int64_t ms = UnZigZag(GetVarint(in));
    if (dates == DbRows::DateForm::kCount) return DbCell::DateCount(ms);
    const std::size_t length = FormatDate(ms, tag - kTagDate, dateText);
    return DbCell::Text(std::string_view(dateText, length));
  }
  if (tag == kTagInteger) return DbCell::Integer(UnZigZag(GetVarint(in)));
  if (tag == kTagReal) {
    double real;
    std::memcpy(&real, in, sizeof real);
    in += sizeof real;
    return DbCell::Real(real);
  }
  return DbCell{};
}

void SkipValue(const char*& in) {
  const auto tag = static_cast<unsigned char>(*in++);
  if (tag >= kTagShortText) {
    in += tag - kTagShortText;
  } else if (tag == kTagLongText) {
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
}

void DbRows::Clear() {
  m_columns.clear();
  m_sourceTable.clear();
  m_pending.clear();
  m_pendingCells = 0;
  m_rowStarts.clear();
  m_rowStarts.shrink_to_fit();
  m_blocksUsed = 0;
  m_blockUsed = 0;
  m_largeRows.clear();
  if (m_blocks.size() > kKeptBlocks) m_blocks.resize(kKeptBlocks);
  m_dateTexts.clear();
  m_hintStart = nullptr;
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

void DbRows::FinishCell() {
  if (m_columns.empty() || ++m_pendingCells < m_columns.size()) return;
  m_rowStarts.push_back(StoreRow(m_pending));
  m_pending.clear();
  m_pendingCells = 0;
}

void DbRows::AppendNull() {
  PackValue(m_pending, DbValue::Null());
  FinishCell();
}

void DbRows::AppendInteger(std::int64_t value) {
  PackValue(m_pending, DbValue::Integer(value));
  FinishCell();
}

void DbRows::AppendReal(double value) {
  PackValue(m_pending, DbValue::Real(value));
  FinishCell();
}

void DbRows::AppendText(std::string_view bytes) {
  PackText(m_pending, bytes);
  FinishCell();
}

void DbRows::AppendRow(std::span<const DbValue> values) {
  for (const DbValue& value : values) {
    PackValue(m_pending, value);
    FinishCell();
  }
}

void DbRows::ReplaceRow(std::size_t row, std::span<const DbValue> values) {
  // The new cells go to the end of the arena; the row's old bytes stay unused until the result changes.
  std::string packed;
  for (const DbValue& value : values) PackValue(packed, value);
  m_rowStarts[row] = StoreRow(packed);
  m_hintStart = nullptr;
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

const char* DbRows::CellStart(std::size_t row, std::size_t column) const {
  const bool onward = m_hintStart && m_hintRow == row && m_hintColumn <= column;
  const char* in = onward ? m_hintStart : m_rowStarts[row];
  for (std::size_t skipped = onward ? m_hintColumn : 0; skipped < column; ++skipped) SkipValue(in);
  m_hintRow = row;
  m_hintColumn = column;
  m_hintStart = in;
  return in;
}

DbCell DbRows::Cell(std::size_t row, std::size_t column, DateForm dates) const {
  const char* in = CellStart(row, column);
  return UnpackValue(in, m_dateTexts[column].data(), dates);
}

DbValue DbRows::Value(std::size_t row, std::size_t column) const {
  const DbCell cell = Cell(row, column);
  return DbValue{cell.kind, cell.integer, cell.real, std::string(cell.text)};
}
