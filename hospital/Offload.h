#pragma once

#include <functional>

// How the hospital side gets its disk work (appends with their syncs, removals, the EMR files)
// done beside the event loop instead of on it: the owner runs `job` on a thread of its own and
// then `done` on the event loop. Jobs run one at a time in the order they were given, and their
// `done`s run in the same order; while a job is under way the loop counts it as work, so that
// the loop does not end before its `done`. The ward gives its worker thread's; a host without
// one can use OffloadWorker.
using Offload = std::function<void(std::function<void()> job, std::function<void()> done)>;
