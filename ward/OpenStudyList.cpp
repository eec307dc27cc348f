#include "recording/DurableFile.h"
#include "ward/OpenStudyList.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "ward/PrivateFolder.h"
#include "ward/RecordingName.h"

namespace fs = std::filesystem;

namespace {

fs::path ListPath(const std::string& dataFolder) { return fs::path(dataFolder) / "Studies" / "open-studies"; }

}  // namespace

std::vector<OpenStudyList::Study> OpenStudyList::Read(const std::string& dataFolder) {
  std::vector<Study> studies;
  std::ifstream in(ListPath(dataFolder), std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos) continue;
    std::optional<std::string> patient = RecordingName::Unescaped(std::string_view(line).substr(0, blank));
    std::optional<std::string> study = RecordingName::Unescaped(std::string_view(line).substr(blank + 1));
    if (patient && study) studies.emplace_back(std::move(*patient), std::move(*study));
  }
  return studies;
}

std::optional<std::string> OpenStudyList::Write(const std::string& dataFolder, const std::vector<Study>& studies) {
  const fs::path path = ListPath(dataFolder);
  if (auto fault = MakePrivateFolder(path.parent_path())) return fault;
  std::string text;
  for (const auto& [patient, study] : studies) {
    text += RecordingName::Escaped(patient) + ' ' + RecordingName::Escaped(study) + '\n';
  }
  return DurableFile::WriteWhole(path.string(), text);
}
