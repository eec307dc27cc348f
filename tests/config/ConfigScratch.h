#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

// The "Data" folder beside the running test program.
inline std::string DataFolderBesideProgram() {
  return (std::filesystem::canonical("/proc/self/exe").parent_path() / "Data").string();
}

// A scratch folder per test for configuration files, removed afterwards.
class ConfigScratch : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::temp_directory_path() /
               ("vudoda-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  std::string File(const char* name) const { return (m_folder / name).string(); }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // Runs `body` in a child process that may write the files that everyone may write in the
  // scratch folder but may create none there: the folder read-only, and a test run as root (who
  // may create anywhere) dropped to the user "nobody". Returns body's result; -1 when the child
  // did not end by itself, 125 when it could not drop root.
  int RunWithReadOnlyFolder(const std::function<int()>& body) const {
    ::chmod(m_folder.c_str(), 0555);
    const pid_t child = ::fork();
    if (child == 0) {
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(125);
      ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(m_folder.c_str(), 0755);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::filesystem::path m_folder;
};
