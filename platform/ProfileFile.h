#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/AfxExport.h"

// A Windows profile (INI) file held in memory: parsed once, looked up many times, edited, and
// written back whole. The profile functions (platform/Profile.h) and QnIni share it.
//
// Windows' rules: sections and keys match without regard to ASCII case; of two sections or keys
// with one name the first is read and written; blanks around names, '=' and values are trimmed;
// LF, CR LF and a missing final newline read alike. Lines that are neither a "[section]" nor a
// "key=value" inside a section (comments, blank lines, garbage) are kept as they are. Writing puts
// "key=value" lines, a new key after the last key of its section and a new section at the end;
// every line of the written file ends in CR LF.
class AFX_EXT_CLASS ProfileFile {
 public:
  // An empty profile.
  ProfileFile() = default;
  // The profile that `text` (the bytes of a file) holds.
  explicit ProfileFile(std::string text);

  // Replaces the profile by the file at `path`; a missing file gives the empty profile. False
  // when the file exists but cannot be read as a profile (not a regular file, unreadable, over
  // 1 GiB): the profile is then empty too, and must not be saved over that file.
  bool Load(const char* path);

  // The value of the first `key` of the first `section`, without one pair of matching double or
  // single quotes around it; nullopt when there is no such key. Valid until the next edit.
  std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
  // The value read as GetPrivateProfileIntA reads it: leading blanks, a sign, decimal digits or
  // "0x" and hex digits, up to the first other character, modulo 2^32; `def` when the key is
  // missing or its value is empty.
  int FindInt(std::string_view section, std::string_view key, int def) const;

  // Sets `key` of `section` to `value`: the first such key in place, else a new key at the end of
  // the first such section, else a new section. False, and nothing changed, for an empty name and
  // for names or values that would not read back as written: CR, LF or NUL anywhere, '=' or a
  // leading '[' in the key.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes the first `key` of the first `section` (its line). False when there is none.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes the first `section`: its header and every line up to the next header, foreign lines
  // included. False when there is none.
  bool DeleteSection(std::string_view section);

  // The section names in file order, each once as first spelt, unnamed "[]" left out; the keys of
  // the first `section` the same way (empty when there is no such section). Edits included; valid
  // until the next edit.
  std::vector<std::string_view> SectionNames() const;
  std::vector<std::string_view> KeyNames(std::string_view section) const;

  // The file's bytes: every line as read (or as written, for set keys), each ending in CR LF.
  std::string Serialize() const;
  // Replaces the file at `path` with Serialize() atomically: a temporary file in the same folder,
  // synced, then renamed over it, keeping the old file's permissions. On any failure the old file
  // stays whole and false is returned.
  bool Save(const char* path) const;

 private:
  // A section header or a key line of m_text; offsets into m_text. Other lines get no entry.
  struct Entry {
    std::uint32_t lineBegin;
    std::uint32_t lineEnd;
    std::uint32_t nameBegin;
    std::uint32_t nameEnd;
    std::uint32_t valueBegin;
    std::uint32_t valueEnd;
    bool isSection;
  };
  using KeyValue = std::pair<std::string, std::string>;
  struct NewSection {
    std::string name;
    std::vector<KeyValue> keys;
  };

  void Parse();
  // Folds pending edits into the text, so that lines can be removed from it.
  void ApplyEdits();
  // Removes the bytes [begin, end) of the text, whole lines, and parses the rest.
  void EraseLines(std::size_t begin, std::size_t end);
  std::string_view Name(const Entry& entry) const;
  std::string_view Value(const Entry& entry) const;
  // Index in m_entries of the first header named `section`, or nullopt.
  std::optional<std::size_t> FindSection(std::string_view section) const;
  // Index in m_entries of the first key named `key` after header `header`, or nullopt.
  std::optional<std::size_t> FindKey(std::size_t header, std::string_view key) const;
  // Index of the last entry (header or key) of the section whose header is `header`.
  std::size_t LastEntryOf(std::size_t header) const;
  // The raw (quoted) value of `key` in `section`, edits included.
  std::optional<std::string_view> FindRaw(std::string_view section, std::string_view key) const;

  std::string m_text;
  bool m_hasByteOrderMark = false;
  std::vector<Entry> m_entries;
  std::vector<std::size_t> m_headers;  // indices in m_entries of the section headers, in order
  // Edits, applied by Serialize: new values of existing keys (by entry), keys added after an
  // entry (the last of their section), and sections added at the end.
  std::map<std::size_t, std::string> m_changedValues;
  std::map<std::size_t, std::vector<KeyValue>> m_addedKeys;
  std::vector<NewSection> m_addedSections;
};
