#pragma once

#include <cstdint>
#include <functional>
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
//
// On disk, Update is the one way to write a profile file: writers take turns under a lock, each
// edits the file as it finds it, so no writer drops a key that another has just written.
class AFX_EXT_CLASS ProfileFile {
 public:
  // The calls by which a write reaches the disk. A test may put its own in their place, to watch
  // that a replacement is synced before it is renamed over the file.
  struct DiskCalls {
    int (*sync)(int fd);
    int (*rename)(const char* from, const char* to);
  };

  // An empty profile.
  ProfileFile() = default;
  // The profile that `text` (the bytes of a file) holds.
  explicit ProfileFile(std::string text);

  // Replaces the profile by the file at `path`; a missing file gives the empty profile. False
  // when the file exists but cannot be read as a profile (not a regular file, unreadable, over
  // 1 GiB): the profile is then empty too, and must not be saved over that file. Never waits:
  // a named pipe or a device in the file's place is refused at once.
  bool Load(const char* path);

  // Edits the file at `path` as one step against every other writer, threads and processes
  // alike: under an exclusive lock (a "<name>.lock" file beside it, made and kept there), reads
  // the file afresh, lets `edit` change it, and writes the result back when `edit` returns true.
  // The write replaces the file atomically: a temporary file in the same folder, synced, renamed
  // over it, the folder synced, the old file's permissions kept. Where the folder refuses a new
  // file but the file itself is writable, the file is instead rewritten in place and synced: that
  // path is NOT atomic, a crash in the middle can leave it torn. Returns 0 when written or when
  // `edit` wanted no write, else the system's error number and the file untouched (in place: as
  // far as the failure allows): EINVAL when the path is not a regular file (a named pipe, a
  // folder), EACCES when neither way can write it, EWOULDBLOCK when another writer held the lock
  // for 10 seconds. A symbolic link is followed, and stays a link.
  static int Update(const char* path, const std::function<bool(ProfileFile&)>& edit);

  // How many writes Update has made in this process so far, to any file: a reader that keeps a
  // parse reads again when this has moved, and so sees every write of the process at once.
  static std::uint64_t WriteCount();

  // Puts `calls` in place of the system's fsync and rename for every later write, and returns
  // the calls that it replaces. Only while no write runs.
  static DiskCalls SetDiskCalls(DiskCalls calls);

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

  // Offsets are kept in 32 bits; a profile is a few kilobytes, so anything this large is refused.
  static constexpr std::size_t kLargestText = std::size_t{1} << 30;

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
