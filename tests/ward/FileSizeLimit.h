#pragma once

#include <signal.h>
#include <sys/resource.h>

// A real full disk for a test: while it lives, no file of this process may grow beyond `bytes`
// (RLIMIT_FSIZE); a write past it fails with EFBIG instead of raising SIGXFSZ. Lift() clears it
// as an operator who frees space would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    m_oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    const rlimit limit{bytes, m_old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    Lift();
    ::signal(SIGXFSZ, m_oldHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  void Lift() { ::setrlimit(RLIMIT_FSIZE, &m_old); }

 private:
  rlimit m_old{};
  sighandler_t m_oldHandler;
};
