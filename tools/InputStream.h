#pragma once

#include <fstream>
#include <istream>
#include <optional>
#include <string>

// The stream a command reads: a file by its name, or standard input for "-".
class InputStream {
 public:
  // Opens `name` as a binary file, or takes `standardIn` for "-". Returns the fault
  // ("cannot open NAME: reason"), or nullopt.
  std::optional<std::string> Open(const std::string& name, std::istream& standardIn);

  std::istream& Stream() { return *m_stream; }
  // The file's name, or "standard input".
  const std::string& Name() const { return m_name; }

 private:
  std::ifstream m_file;
  std::istream* m_stream = nullptr;
  std::string m_name;
};
