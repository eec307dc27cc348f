#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "recording/FileReplacement.h"

// The stream a command writes: a file that takes the place of the old one only when Close
// succeeds (until then, and after a failure, the old file stays as it was; see
// FileReplacement), or standard output for "-".
class OutputStream {
 public:
  // Starts the file `name`, or takes `standardOut` for "-". Returns the fault ("cannot create
  // NAME: reason"), or nullopt.
  std::optional<std::string> Open(const std::string& name, std::ostream& standardOut);

  std::ostream& Stream() { return *m_stream; }
  // Flushes and closes; a file then replaces the old one. Returns the fault ("cannot write
  // NAME"), or nullopt.
  std::optional<std::string> Close();

 private:
  std::optional<FileReplacement> m_file;
  std::ostream* m_stream = nullptr;
};
