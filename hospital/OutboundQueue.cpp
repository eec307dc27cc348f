#include "hospital/OutboundQueue.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "recording/DurableFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSetAsideFolder = "rejected";

std::string NameOf(std::uint64_t sequence, const char* extension) {
  char name[40];
  std::snprintf(name, sizeof name, "%020llu%s", static_cast<unsigned long long>(sequence), extension);
  return name;
}

// The sequence number of a queue file's name, or nullopt for any other file.
std::optional<std::uint64_t> SequenceOf(const std::string& name) {
  if (name.size() != 24 || !name.ends_with(".hl7")) return std::nullopt;
  std::uint64_t sequence = 0;
  for (std::size_t i = 0; i < 20; ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    sequence = sequence * 10 + static_cast<std::uint64_t>(name[i] - '0');
  }
  return sequence;
}

// Lists the queue files of `folder` and removes the temporary ones.
std::optional<std::string> Scan(const fs::path& folder, std::vector<std::uint64_t>& sequences) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with(".tmp-")) {
      fs::remove(it->path(), error);
      if (error) break;
    } else if (const std::optional<std::uint64_t> sequence = SequenceOf(name)) {
      sequences.push_back(*sequence);
    }
  }
  if (error) return "cannot list " + folder.string() + ": " + error.message();
  std::sort(sequences.begin(), sequences.end());
  return std::nullopt;
}

}  // namespace

std::string OutboundQueue::PathOf(std::uint64_t sequence) const {
  return (fs::path(m_folder) / NameOf(sequence, ".hl7")).string();
}

std::string OutboundQueue::SetAsidePathOf(std::uint64_t sequence) const {
  return (fs::path(m_folder) / kSetAsideFolder / NameOf(sequence, ".hl7")).string();
}

std::optional<std::string> OutboundQueue::Open(Contents& contents) {
  std::error_code error;
  fs::create_directories(fs::path(m_folder) / kSetAsideFolder, error);
  if (error) return "cannot create the queue folder " + m_folder + ": " + error.message();
  contents = {};
  std::vector<std::uint64_t> setAside;
  if (std::optional<std::string> fault = Scan(m_folder, contents.waiting)) return fault;
  if (std::optional<std::string> fault = Scan(fs::path(m_folder) / kSetAsideFolder, setAside)) return fault;
  contents.setAside = setAside.size();
  if (!contents.waiting.empty()) contents.highest = contents.waiting.back();
  if (!setAside.empty()) contents.highest = std::max(contents.highest, setAside.back());
  return std::nullopt;
}

std::optional<std::string> OutboundQueue::Append(std::uint64_t sequence, std::string_view message) {
  return DurableFile::WriteWhole(PathOf(sequence), message);
}

std::optional<std::string> OutboundQueue::Read(std::uint64_t sequence, std::string& message) const {
  std::string fault;
  std::optional<std::string> text = DurableFile::Read(PathOf(sequence), fault);
  if (!text) return fault;
  message = std::move(*text);
  return std::nullopt;
}

std::optional<std::string> OutboundQueue::Remove(std::uint64_t sequence) { return DurableFile::Remove(PathOf(sequence)); }

std::optional<std::string> OutboundQueue::SetAside(std::uint64_t sequence, const std::string& reason) {
  const std::string target = SetAsidePathOf(sequence);
  const std::string reasonPath = target.substr(0, target.size() - 4) + ".reason";
  if (std::optional<std::string> fault = DurableFile::WriteWhole(reasonPath, reason + "\n")) return fault;
  return DurableFile::Rename(PathOf(sequence), target);
}
