#pragma once

// What one thread of this process costs, read from the kernel so that nothing in the measured
// code changes: its time on a CPU (user and system, in nanoseconds, from
// /proc/self/task/<tid>/schedstat), its wake-ups (voluntary context switches from
// /proc/self/task/<tid>/status: each time it slept and was woken) and, where the kernel lets
// perf count tracepoints (perf_event_open on raw_syscalls/sys_enter and
// syscalls/sys_enter_fdatasync and _fsync), its system calls and the file syncs among them.
// A thread is only ever measured as the difference of two readings.

#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

struct ThreadReading {
  std::uint64_t cpuNanoseconds = 0;
  std::uint64_t wakeups = 0;
  std::uint64_t syscalls = 0;
  std::uint64_t syncs = 0;  // fdatasync and fsync

  ThreadReading operator-(const ThreadReading& before) const {
    return {cpuNanoseconds - before.cpuNanoseconds, wakeups - before.wakeups, syscalls - before.syscalls,
            syncs - before.syncs};
  }
  ThreadReading& operator+=(const ThreadReading& other) {
    cpuNanoseconds += other.cpuNanoseconds;
    wakeups += other.wakeups;
    syscalls += other.syscalls;
    syncs += other.syncs;
    return *this;
  }
};

class ThreadMeter {
 public:
  explicit ThreadMeter(pid_t tid)
      : m_tid(tid),
        m_syscalls(OpenTracepoint(tid, "raw_syscalls/sys_enter")),
        m_fdatasyncs(OpenTracepoint(tid, "syscalls/sys_enter_fdatasync")),
        m_fsyncs(OpenTracepoint(tid, "syscalls/sys_enter_fsync")) {}
  ~ThreadMeter() {
    for (int fd : {m_syscalls, m_fdatasyncs, m_fsyncs}) {
      if (fd >= 0) ::close(fd);
    }
  }
  ThreadMeter(const ThreadMeter&) = delete;
  ThreadMeter& operator=(const ThreadMeter&) = delete;

  // Whether the kernel counts this thread's system calls and syncs.
  bool CountsSystemCalls() const { return m_syscalls >= 0 && m_fdatasyncs >= 0 && m_fsyncs >= 0; }

  ThreadReading Read() const {
    ThreadReading reading;
    const std::string task = "/proc/self/task/" + std::to_string(m_tid);
    std::ifstream(task + "/schedstat") >> reading.cpuNanoseconds;
    std::ifstream status(task + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.starts_with("voluntary_ctxt_switches:")) reading.wakeups = std::stoull(line.substr(24));
    }
    reading.syscalls = Count(m_syscalls);
    reading.syncs = Count(m_fdatasyncs) + Count(m_fsyncs);
    return reading;
  }

  // The threads of this process now.
  static std::set<pid_t> Threads() {
    std::set<pid_t> threads;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
      threads.insert(static_cast<pid_t>(std::stol(entry.path().filename().string())));
    }
    return threads;
  }

 private:
  static std::optional<std::uint64_t> TracepointId(const std::string& name) {
    for (const char* root : {"/sys/kernel/tracing/events/", "/sys/kernel/debug/tracing/events/"}) {
      std::uint64_t id = 0;
      if (std::ifstream(root + name + "/id") >> id) return id;
    }
    return std::nullopt;
  }

  static int OpenTracepoint(pid_t tid, const std::string& name) {
    const auto id = TracepointId(name);
    if (!id) return -1;
    perf_event_attr attr{};
    attr.type = PERF_TYPE_TRACEPOINT;
    attr.size = sizeof attr;
    attr.config = *id;
    return static_cast<int>(::syscall(SYS_perf_event_open, &attr, tid, -1, -1, PERF_FLAG_FD_CLOEXEC));
  }

  static std::uint64_t Count(int fd) {
    std::uint64_t count = 0;
    if (fd < 0 || ::read(fd, &count, sizeof count) != static_cast<ssize_t>(sizeof count)) return 0;
    return count;
  }

  pid_t m_tid;
  int m_syscalls;
  int m_fdatasyncs;
  int m_fsyncs;
};
