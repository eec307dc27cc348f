#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hospital/HospitalApi.h"

// The messages waiting to be sent to the hospital, on disk: one file per message in the queue's
// folder, named by its sequence number (20 digits, <sequence>.hl7), so that the folder's order
// is the order they were put in. A message is in the queue once Append returned: its file is
// written beside, synced, renamed into place and the folder synced. It leaves by Remove (sent
// and acknowledged) or SetAside (refused by the receiver): moved into the folder "rejected"
// with a file <sequence>.reason that says why. Temporary files a crash left are removed by
// Open; they were never in the queue.
//
// Every operation blocks on the disk (run it off the loop) and returns nullopt or the fault.
class VUDODA_HOSPITAL_API OutboundQueue {
 public:
  struct Contents {
    std::vector<std::uint64_t> waiting;  // oldest first
    std::size_t setAside = 0;
    std::uint64_t highest = 0;  // the highest sequence number in use, waiting or set aside
  };

  explicit OutboundQueue(std::string folder) : m_folder(std::move(folder)) {}

  // Creates the folders where missing, removes temporary files and lists the queue.
  std::optional<std::string> Open(Contents& contents);
  std::optional<std::string> Append(std::uint64_t sequence, std::string_view message);
  std::optional<std::string> Read(std::uint64_t sequence, std::string& message) const;
  std::optional<std::string> Remove(std::uint64_t sequence);
  std::optional<std::string> SetAside(std::uint64_t sequence, const std::string& reason);

  std::string PathOf(std::uint64_t sequence) const;
  std::string SetAsidePathOf(std::uint64_t sequence) const;

 private:
  std::string m_folder;
};
