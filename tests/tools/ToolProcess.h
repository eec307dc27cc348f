#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The two ends of a pipe, closed on exec, so that a child holds only the end it is given.
class Pipe {
 public:
  Pipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) == 0) {
      m_read = ends[0];
      m_write = ends[1];
    }
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  int ReadEnd() const { return m_read; }
  int WriteEnd() const { return m_write; }
  void CloseRead() { Close(m_read); }
  void CloseWrite() { Close(m_write); }

  // Reads up to and with the first newline, or `count` bytes, whichever comes first; less at the
  // end of the stream.
  std::string Read(std::size_t count, bool toNewline = false) const {
    std::string got;
    char byte;
    while (got.size() < count && ::read(m_read, &byte, 1) == 1) {
      got += byte;
      if (toNewline && byte == '\n') break;
    }
    return got;
  }

 private:
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }

  int m_read = -1;
  int m_write = -1;
};

// `vudoda` as a process of its own, run with `args`, reading `in` and writing `out` and `err`
// (the child's copies of the descriptors; the caller still closes its own), with the signals'
// own dispositions, as a shell starts it. Killed and reaped when the object goes while it
// still runs.
class ToolProcess {
 public:
  ToolProcess(const std::vector<std::string>& args, int in, int out, int err) {
    std::vector<char*> argv{const_cast<char*>(VUDODA_TOOL)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(in, STDIN_FILENO);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(err, STDERR_FILENO);
      ::signal(SIGPIPE, SIG_DFL);  // a test that writes into pipes may ignore it
      ::execv(VUDODA_TOOL, argv.data());
      ::_exit(127);
    }
  }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;
  ~ToolProcess() {
    if (m_pid > 0) Signal(SIGKILL);
  }

  // How the process ended: "exit N" or "signal N"; "running" when it did not end within
  // `patience` (it is then killed).
  std::string Wait(std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (Running()) {
      if (std::chrono::steady_clock::now() >= deadline) {
        Signal(SIGKILL);
        return "running";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_end;
  }

  // Sends `signal` and waits for the end; how it ended, as Wait says.
  std::string Signal(int signal) {
    if (Running()) {
      ::kill(m_pid, signal);
      Reap(0);
    }
    return m_end;
  }

  bool Running() { return m_pid > 0 && !Reap(WNOHANG); }

 private:
  // True once the process has ended; then m_end says how.
  bool Reap(int options) {
    int status = 0;
    if (::waitpid(m_pid, &status, options) != m_pid) return false;
    m_pid = -1;
    m_end = WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                              : "signal " + std::to_string(WTERMSIG(status));
    return true;
  }

  pid_t m_pid = -1;
  std::string m_end;
};
