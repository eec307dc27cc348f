#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The "Data" folder beside the running test program.
inline std::string DataFolderBesideProgram() {
  return (std::filesystem::canonical("/proc/self/exe").parent_path() / "Data").string();
}

// A scratch folder per test for configuration files, removed afterwards.
class ConfigScratch : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder = std::filesystem::temp_directory_path() /
               ("vudoda-config-" + std::to_string(::getpid()) + "-" + test->name());
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  std::string File(const char* name) const { return (m_folder / name).string(); }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // The file's lines with every value cut away ("Key=value" becomes "Key="): its shape.
  static std::string KeysWithoutValues(const std::string& text) {
    std::string shape;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      const std::size_t equals = line.find('=');
      shape += (equals == std::string::npos ? line.substr(0, line.size() - 1) : line.substr(0, equals + 1)) + "\r\n";
    }
    return shape;
  }

  std::filesystem::path m_folder;
};
