#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

// `vudoda station` as a process of its own on 127.0.0.1:`port`, its database and configuration
// in `folder`, its output read through a pipe (which no file-size limit touches). A write past
// a file-size limit fails with EFBIG in it rather than ending it (SIGXFSZ ignored), so that a
// test can fill its disk with prlimit.
class StationChild {
 public:
  StationChild(const std::string& folder, int port, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {VUDODA_TOOL, "station", "--listen", "127.0.0.1:" + std::to_string(port),
                                     "--database", "sqlite:" + folder + "/ward.db", "--config", folder + "/Maternis.ini"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {  // nothing that allocates between fork and exec
      ::signal(SIGXFSZ, SIG_IGN);
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(out[1], STDERR_FILENO);
      ::execv(VUDODA_TOOL, argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    m_reader = std::thread([this, fd = out[0]] { Read(fd); });
  }
  ~StationChild() {
    if (m_pid > 0) Signal(SIGKILL);
    if (m_reader.joinable()) m_reader.join();
  }
  StationChild(const StationChild&) = delete;
  StationChild& operator=(const StationChild&) = delete;

  pid_t Pid() const { return m_pid; }

  // A port of the loopback address that was free a moment ago, below the range the system draws
  // client ports from: a station restarted on it finds it free again, since no test's monitor
  // can have been given it meanwhile.
  static int FreePort() {
    std::mt19937 random(static_cast<unsigned>(::getpid()) ^ static_cast<unsigned>(::time(nullptr)));
    for (;;) {
      const int port = 20000 + static_cast<int>(random() % 12000);
      const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<std::uint16_t>(port));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      const bool free = ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
      ::close(probe);
      if (free) return port;
    }
  }

  // Sends `signal` and waits for the end; the exit status, -1 when a signal ended it.
  int Signal(int signal) {
    ::kill(m_pid, signal);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    m_reader.join();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Every file the station writes may grow to `bytes` at most (RLIM_INFINITY: no limit).
  bool LimitFileSize(rlim_t bytes) const {
    const rlimit limit{bytes, RLIM_INFINITY};
    return ::prlimit(m_pid, RLIMIT_FSIZE, &limit, nullptr) == 0;
  }

  std::string Log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
  }
  std::size_t Count(const std::string& text) const {
    const std::string log = Log();
    std::size_t count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }
  // Waits up to `limit` for `count` lines that hold `text`.
  bool WaitFor(const std::string& text, std::size_t count = 1,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (Count(text) < count) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }

 private:
  void Read(int fd) {
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
      std::lock_guard lock(m_mutex);
      m_log.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
  }

  pid_t m_pid = -1;
  std::thread m_reader;
  mutable std::mutex m_mutex;
  std::string m_log;
};
