#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// The files of the ward's pages, read once when the server starts, so that serving one never
// touches the disk on the loop. Only the files named in the route table are read, and a name is
// a plain file name: no request can reach any other file.
class StaticFiles {
 public:
  // A page's file may be at most this large.
  static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

  struct File {
    std::string contentType;
    std::string bytes;
  };

  // Reads each of `names` from `folder`. The fault (a file missing, unreadable or too large),
  // or nullopt; on a fault nothing is kept.
  std::optional<std::string> Load(const std::string& folder, const std::vector<std::string>& names);
  // The file `name`, or nullptr when it was not read.
  const File* Find(const std::string& name) const;

  // The content type a file's extension gives (UTF-8 for text).
  static std::string ContentType(const std::string& name);

 private:
  std::map<std::string, File> m_files;
};
