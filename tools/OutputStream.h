#pragma once

#include <fstream>
#include <optional>
#include <ostream>
#include <string>

// The stream a command writes: a file it creates (or empties), or standard output for "-".
class OutputStream {
 public:
  // Creates `name` as a binary file, or takes `standardOut` for "-". Returns the fault
  // ("cannot create NAME: reason"), or nullopt.
  std::optional<std::string> Open(const std::string& name, std::ostream& standardOut);

  std::ostream& Stream() { return *m_stream; }
  // Flushes and closes. Returns the fault ("cannot write NAME"), or nullopt.
  std::optional<std::string> Close();

 private:
  std::ofstream m_file;
  std::ostream* m_stream = nullptr;
  std::string m_name;
};
