#pragma once

#include <cstddef>
#include <cstdint>

// What the ward's web side holds now and what it has refused, for the station's screen, its
// tests and benchmarks.
struct WardServerStatus {
  std::size_t connections = 0;         // open: pages, requests and live streams
  std::size_t liveStreams = 0;         // of those, live streams
  std::size_t loginSessions = 0;
  std::size_t liveQueuedBytes = 0;     // waiting for the browsers, over every live stream
  std::size_t largestLiveQueue = 0;    // the most any one live stream has held queued
  std::uint64_t refusedConnections = 0;  // closed at once: over the connection limit
  std::uint64_t cutBacks = 0;            // live streams cut back to the latest state
  std::uint64_t batchesBuilt = 0;        // sample batches turned into a message (once each)
};
