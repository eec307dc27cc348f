#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A self-signed certificate for 127.0.0.1 (and localhost) with its key, made by the openssl
// program in a scratch folder of the test's own, removed with it.
class TestCertificate {
 public:
  TestCertificate() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vudoda-web-tls-XXXXXX").string();
    m_folder = ::mkdtemp(pattern.data());
    Make("cert.pem", "key.pem");
    Make("other-cert.pem", "other-key.pem");
  }
  ~TestCertificate() { std::filesystem::remove_all(m_folder); }
  TestCertificate(const TestCertificate&) = delete;
  TestCertificate& operator=(const TestCertificate&) = delete;

  bool Made() const { return std::filesystem::exists(Certificate()) && std::filesystem::exists(OtherKey()); }
  std::string Certificate() const { return (m_folder / "cert.pem").string(); }
  std::string Key() const { return (m_folder / "key.pem").string(); }
  // A second key, which does not belong to Certificate().
  std::string OtherKey() const { return (m_folder / "other-key.pem").string(); }
  std::string Folder() const { return m_folder.string(); }

 private:
  void Make(const char* certificate, const char* key) const {
    const std::string command = std::string(VUDODA_OPENSSL) +
                                " req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                                " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost -keyout " +
                                (m_folder / key).string() + " -out " + (m_folder / certificate).string() +
                                " 2>/dev/null";
    [[maybe_unused]] const int status = std::system(command.c_str());
  }

  std::filesystem::path m_folder;
};
