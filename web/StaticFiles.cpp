#include "web/StaticFiles.h"

#include <filesystem>
#include <fstream>
#include <iterator>

std::optional<std::string> StaticFiles::Load(const std::string& folder, const std::vector<std::string>& names) {
  std::map<std::string, File> files;
  for (const std::string& name : names) {
    const std::filesystem::path path = std::filesystem::path(folder) / name;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) return "the page file " + path.string() + " cannot be read: " + error.message();
    if (size > kMaxFileBytes) return "the page file " + path.string() + " is larger than 4 MiB";
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) return "the page file " + path.string() + " cannot be read";
    files[name] = File{ContentType(name), std::move(bytes)};
  }
  m_files = std::move(files);
  return std::nullopt;
}

const StaticFiles::File* StaticFiles::Find(const std::string& name) const {
  const auto found = m_files.find(name);
  return found == m_files.end() ? nullptr : &found->second;
}

std::string StaticFiles::ContentType(const std::string& name) {
  static const std::map<std::string, std::string> types{
      {".html", "text/html; charset=utf-8"}, {".js", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},   {".svg", "image/svg+xml"},
      {".png", "image/png"},                 {".ico", "image/x-icon"},
      {".wav", "audio/wav"}};
  const auto found = types.find(std::filesystem::path(name).extension().string());
  return found == types.end() ? "application/octet-stream" : found->second;
}
