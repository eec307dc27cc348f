#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// A program the test starts, its standard output read a line at a time with a time limit.
// Killed (SIGKILL) and reaped when the object goes, if it has not ended by then.
class ChildProcess {
 public:
  // Other threads may run: between fork and exec the child only calls what is safe there.
  explicit ChildProcess(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(pipeEnds[1], 1);
      ::close(pipeEnds[0]);
      ::close(pipeEnds[1]);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    m_out = pipeEnds[0];
  }
  ~ChildProcess() {
    if (m_pid > 0 && !m_reaped) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) ::close(m_out);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next line of its output, or nullopt at its end or when none came within `limit`.
  std::optional<std::string> ReadLine(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (true) {
      if (const std::size_t newline = m_buffer.find('\n'); newline != std::string::npos) {
        std::string line = m_buffer.substr(0, newline);
        m_buffer.erase(0, newline + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || m_out < 0) return std::nullopt;
      pollfd ready{m_out, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
      char chunk[4096];
      const ssize_t count = ::read(m_out, chunk, sizeof chunk);
      if (count <= 0) return std::nullopt;
      m_buffer.append(chunk, static_cast<std::size_t>(count));
    }
  }

  // Its exit status once it ended, or -1 when it did not end within `limit` (it is then killed).
  int Wait(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > end) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_reaped = true;
        return -1;
      }
      ::usleep(10000);
    }
    m_reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t Pid() const { return m_pid; }

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  bool m_reaped = false;
  std::string m_buffer;
};
