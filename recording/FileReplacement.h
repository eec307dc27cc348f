#pragma once

#include <fstream>
#include <optional>
#include <ostream>
#include <string>

#include "recording/RecordingApi.h"

// A file that a writer replaces whole or not at all. The new bytes go to a temporary file
// beside it (the same folder, so that the rename stays on one file system), which Commit
// syncs and renames over the path; until then, and for good when the write fails or the
// object goes uncommitted, the file at the path stays as it was and the temporary file is
// removed. A file that its permissions keep from being written is not replaced; a replacement
// keeps the old file's permissions. A symbolic link at the path stays a link: its target is
// replaced (created, for a dangling link). What is no regular file (a device such as
// /dev/null, a named pipe) cannot be replaced and is written in place.
class VUDODA_RECORDING_API FileReplacement {
 public:
  // A new file gets `permissions` (less the process's umask); a replaced one keeps its own.
  explicit FileReplacement(std::string path, unsigned permissions = 0666);
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  // Discards what was not committed.
  ~FileReplacement();

  // Creates the temporary file and opens Stream() on it, binary. Returns the fault ("cannot
  // create PATH: reason"), or nullopt.
  std::optional<std::string> Open();
  // Where the new bytes go, once open.
  std::ostream& Stream() { return m_stream; }
  // Flushes and closes the stream, which a writer of many files does as each is done. Returns
  // the fault ("cannot write PATH": a write failed), or nullopt.
  std::optional<std::string> Close();
  // Closes the stream where still open and puts what it wrote in the path's place. Returns the
  // fault ("cannot write PATH", and the old file stays), or nullopt.
  std::optional<std::string> Commit();
  // Removes the temporary file; the file at the path stays as it was.
  void Discard();

 private:
  std::string m_path;
  unsigned m_permissions;
  std::string m_target;    // the file that the rename replaces: the path, or its link's target
  std::string m_tempPath;  // the temporary file, while one exists
  std::ofstream m_stream;
};
