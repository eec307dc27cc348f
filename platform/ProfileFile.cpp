#include "platform/ProfileFile.h"

#include <algorithm>
#include <set>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\v' || ch == '\f'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char FoldCase(char ch) { return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldCase(x) == FoldCase(y); });
}

std::string_view DropQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// Windows accumulates in 32 unsigned bits and lets them wrap, so "4294967295" reads -1.
int ParseProfileInt(std::string_view text, int def) {
  text = Trim(text);
  if (text.empty()) return def;
  bool negative = false;
  if (text.front() == '+' || text.front() == '-') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::uint32_t base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint32_t value = 0;
  for (char ch : text) {
    const int digit = HexDigit(ch);
    if (digit < 0 || static_cast<std::uint32_t>(digit) >= base) break;
    value = value * base + static_cast<std::uint32_t>(digit);
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

bool HoldsLineBreakOrZero(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

// Names listed once each, as first spelt: later duplicates are the ones that reads never reach.
class NameList {
 public:
  void Add(std::string_view name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
    if (!name.empty() && m_seen.insert(std::move(folded)).second) m_names.push_back(name);
  }
  std::vector<std::string_view> Take() { return std::move(m_names); }

 private:
  std::vector<std::string_view> m_names;
  std::set<std::string> m_seen;
};

void AppendKeyLine(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append("=").append(value).append(kLineEnd);
}

}  // namespace

ProfileFile::ProfileFile(std::string text) : m_text(std::move(text)) { Parse(); }

// One pass over the lines; only headers and keys inside a section get an entry, so a large file
// of other lines costs no memory beyond its bytes.
void ProfileFile::Parse() {
  if (m_text.size() >= kLargestText) m_text.clear();
  if (m_text.starts_with(kByteOrderMark)) {
    m_hasByteOrderMark = true;
    m_text.erase(0, kByteOrderMark.size());
  }
  const std::string_view text(m_text);
  bool inSection = false;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(begin, end - begin);
    const std::string_view trimmed = Trim(line);
    const auto at = [&](std::string_view part) { return static_cast<std::uint32_t>(part.data() - text.data()); };
    const auto add = [&](std::string_view name, std::string_view value, bool isSection) {
      m_entries.push_back({static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end), at(name),
                           at(name) + static_cast<std::uint32_t>(name.size()), at(value),
                           at(value) + static_cast<std::uint32_t>(value.size()), isSection});
    };
    const std::size_t closing = trimmed.rfind(']');
    if (trimmed.starts_with('[') && closing != std::string_view::npos) {
      m_headers.push_back(m_entries.size());
      add(Trim(trimmed.substr(1, closing - 1)), trimmed.substr(closing, 0), true);
      inSection = true;
    } else if (const std::size_t equals = trimmed.find('='); inSection && equals != std::string_view::npos) {
      const std::string_view name = Trim(trimmed.substr(0, equals));
      if (!name.empty()) add(name, Trim(trimmed.substr(equals + 1)), false);
    }
    begin = end + 1;
  }
}

std::string_view ProfileFile::Name(const Entry& entry) const {
  return std::string_view(m_text).substr(entry.nameBegin, entry.nameEnd - entry.nameBegin);
}

std::string_view ProfileFile::Value(const Entry& entry) const {
  return std::string_view(m_text).substr(entry.valueBegin, entry.valueEnd - entry.valueBegin);
}

std::optional<std::size_t> ProfileFile::FindSection(std::string_view section) const {
  for (std::size_t header : m_headers) {
    if (SameName(Name(m_entries[header]), section)) return header;
  }
  return std::nullopt;
}

std::optional<std::size_t> ProfileFile::FindKey(std::size_t header, std::string_view key) const {
  for (std::size_t i = header + 1; i < m_entries.size() && !m_entries[i].isSection; ++i) {
    if (SameName(Name(m_entries[i]), key)) return i;
  }
  return std::nullopt;
}

std::size_t ProfileFile::LastEntryOf(std::size_t header) const {
  std::size_t last = header;
  while (last + 1 < m_entries.size() && !m_entries[last + 1].isSection) ++last;
  return last;
}

std::optional<std::string_view> ProfileFile::FindRaw(std::string_view section, std::string_view key) const {
  section = Trim(section);
  key = Trim(key);
  const auto findIn = [&](const std::vector<KeyValue>& keys) -> std::optional<std::string_view> {
    for (const KeyValue& pair : keys) {
      if (SameName(pair.first, key)) return pair.second;
    }
    return std::nullopt;
  };
  if (const auto header = FindSection(section)) {
    if (const auto entry = FindKey(*header, key)) {
      const auto changed = m_changedValues.find(*entry);
      return changed != m_changedValues.end() ? std::string_view(changed->second) : Value(m_entries[*entry]);
    }
    const auto added = m_addedKeys.find(LastEntryOf(*header));
    return added != m_addedKeys.end() ? findIn(added->second) : std::nullopt;
  }
  for (const NewSection& added : m_addedSections) {
    if (SameName(added.name, section)) return findIn(added.keys);
  }
  return std::nullopt;
}

std::optional<std::string_view> ProfileFile::Find(std::string_view section, std::string_view key) const {
  const auto raw = FindRaw(section, key);
  if (!raw) return std::nullopt;
  // A value set but not yet saved reads as it will once written and read back.
  return DropQuotes(Trim(*raw));
}

int ProfileFile::FindInt(std::string_view section, std::string_view key, int def) const {
  const auto value = Find(section, key);
  return value ? ParseProfileInt(*value, def) : def;
}

bool ProfileFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HoldsLineBreakOrZero(section) || HoldsLineBreakOrZero(key) ||
      HoldsLineBreakOrZero(value) || key.find('=') != std::string_view::npos || key.front() == '[') {
    return false;
  }
  const auto setIn = [&](std::vector<KeyValue>& keys) {
    for (KeyValue& pair : keys) {
      if (SameName(pair.first, key)) {
        pair.second = value;
        return;
      }
    }
    keys.emplace_back(key, value);
  };
  if (const auto header = FindSection(section)) {
    if (const auto entry = FindKey(*header, key)) {
      m_changedValues[*entry] = value;
    } else {
      setIn(m_addedKeys[LastEntryOf(*header)]);
    }
    return true;
  }
  for (NewSection& added : m_addedSections) {
    if (SameName(added.name, section)) {
      setIn(added.keys);
      return true;
    }
  }
  m_addedSections.push_back({std::string(section), {}});
  setIn(m_addedSections.back().keys);
  return true;
}

void ProfileFile::ApplyEdits() {
  if (!m_changedValues.empty() || !m_addedKeys.empty() || !m_addedSections.empty()) *this = ProfileFile(Serialize());
}

void ProfileFile::EraseLines(std::size_t begin, std::size_t end) {
  m_text.erase(begin, std::min(end, m_text.size()) - begin);
  m_entries.clear();
  m_headers.clear();
  Parse();
}

bool ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  ApplyEdits();
  const auto header = FindSection(Trim(section));
  const auto entry = header ? FindKey(*header, Trim(key)) : std::nullopt;
  if (!entry) return false;
  EraseLines(m_entries[*entry].lineBegin, m_entries[*entry].lineEnd + std::size_t{1});
  return true;
}

bool ProfileFile::DeleteSection(std::string_view section) {
  ApplyEdits();
  const auto header = FindSection(Trim(section));
  if (!header) return false;
  const auto next = std::upper_bound(m_headers.begin(), m_headers.end(), *header);
  EraseLines(m_entries[*header].lineBegin, next == m_headers.end() ? m_text.size() : m_entries[*next].lineBegin);
  return true;
}

std::vector<std::string_view> ProfileFile::SectionNames() const {
  NameList names;
  for (std::size_t header : m_headers) names.Add(Name(m_entries[header]));
  for (const NewSection& added : m_addedSections) names.Add(added.name);
  return names.Take();
}

std::vector<std::string_view> ProfileFile::KeyNames(std::string_view section) const {
  section = Trim(section);
  NameList names;
  const std::vector<KeyValue>* addedKeys = nullptr;
  if (const auto header = FindSection(section)) {
    const std::size_t last = LastEntryOf(*header);
    for (std::size_t entry = *header + 1; entry <= last; ++entry) names.Add(Name(m_entries[entry]));
    if (const auto added = m_addedKeys.find(last); added != m_addedKeys.end()) addedKeys = &added->second;
  } else {
    for (const NewSection& added : m_addedSections) {
      if (SameName(added.name, section)) {
        addedKeys = &added.keys;
        break;
      }
    }
  }
  if (addedKeys) {
    for (const KeyValue& pair : *addedKeys) names.Add(pair.first);
  }
  return names.Take();
}

std::string ProfileFile::Serialize() const {
  std::string out;
  out.reserve(m_text.size() + m_text.size() / 16 + 64);
  if (m_hasByteOrderMark) out.append(kByteOrderMark);
  const std::string_view text(m_text);
  std::size_t nextEntry = 0;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(begin, end - begin);
    if (line.ends_with('\r')) line.remove_suffix(1);
    const bool hasEntry = nextEntry < m_entries.size() && m_entries[nextEntry].lineBegin == begin;
    const std::size_t entry = hasEntry ? nextEntry++ : 0;
    const auto changed = hasEntry ? m_changedValues.find(entry) : m_changedValues.end();
    if (changed != m_changedValues.end()) {
      AppendKeyLine(out, Name(m_entries[entry]), changed->second);
    } else {
      out.append(line).append(kLineEnd);
    }
    if (const auto added = hasEntry ? m_addedKeys.find(entry) : m_addedKeys.end(); added != m_addedKeys.end()) {
      for (const KeyValue& pair : added->second) AppendKeyLine(out, pair.first, pair.second);
    }
    begin = end + 1;
  }
  for (const NewSection& added : m_addedSections) {
    out.append("[").append(added.name).append("]").append(kLineEnd);
    for (const KeyValue& pair : added.keys) AppendKeyLine(out, pair.first, pair.second);
  }
  return out;
}
