#include "tools/PasswordPrompt.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

namespace {

// The terminal's echo is off while the object lives.
class EchoOff {
 public:
  EchoOff() : m_saved(), m_changed(tcgetattr(STDIN_FILENO, &m_saved) == 0) {
    if (!m_changed) return;
    termios quiet = m_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    m_changed = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  ~EchoOff() {
    if (m_changed) tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
  }

 private:
  termios m_saved;
  bool m_changed;
};

std::optional<std::string> ReadLine(std::istream& in) {
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  if (line.ends_with('\r')) line.pop_back();
  return line;
}

}  // namespace

std::optional<std::string> ReadPassword(ToolIo& io) {
  if (&io.in != &std::cin || !isatty(STDIN_FILENO)) return ReadLine(io.in);
  io.err << "password: " << std::flush;
  std::optional<std::string> line;
  {
    const EchoOff quiet;
    line = ReadLine(io.in);
  }
  io.err << '\n';
  return line;
}
