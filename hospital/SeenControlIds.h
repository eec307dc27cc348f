#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>

#include "hospital/HospitalApi.h"
#include "hospital/Offload.h"

// The messages the station has taken, by key (sender and control ID), so that a message sent
// again (its acknowledgement lost, the sender restarted) is answered again but taken only once.
//
// It keeps the newest `capacity` keys; older ones are forgotten. With a file, every key added
// is appended to it and synced through the offload before Add's `done` runs, and Load reads it
// back after a restart; the file is rewritten with the newest keys once it holds twice as many.
// A line cut short by a crash was never acknowledged and is passed over. Without a file (an
// empty path), the keys live only as long as the object. Used on the event loop only.
class VUDODA_HOSPITAL_API SeenControlIds {
 public:
  using Done = std::function<void(std::optional<std::string> fault)>;

  SeenControlIds(std::string path, std::size_t capacity, Offload offload);

  // Reads the file, if any; call before the loop serves (it reads on the calling thread). The
  // fault of an unreadable file, or nullopt (also when there is no file yet).
  std::optional<std::string> Load();
  bool Contains(const std::string& key) const;
  // Adds `key` at once in memory; `done` runs on the loop once it is on disk (or failed to be).
  void Add(const std::string& key, Done done);
  std::size_t Size() const { return m_order.size(); }

 private:
  void Remember(const std::string& key);

  std::string m_path;
  std::size_t m_capacity;
  Offload m_offload;
  std::deque<std::string> m_order;  // oldest first
  std::unordered_set<std::string> m_keys;
  std::size_t m_fileLines = 0;
};
