#pragma once

// Every allocation of the program is counted, so the peak of live heap bytes can be read around
// one piece of work (PeakHeap). The replacements of the global operators are defined here: a
// benchmark program includes this header in its one source file. They pair malloc with free
// themselves; GCC's check of new against free cannot see that once it inlines them, so it is
// quieted for the including file only.
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace heap_peak {

inline std::atomic<std::size_t> g_liveBytes{0};
inline std::atomic<std::size_t> g_peakBytes{0};

// The peak of live heap bytes above what was live before `work`.
template <class Work>
std::size_t PeakHeap(Work work) {
  const std::size_t before = g_liveBytes;
  g_peakBytes = before;
  work();
  return g_peakBytes - before;
}

}  // namespace heap_peak

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  const std::size_t live = heap_peak::g_liveBytes += malloc_usable_size(block);
  for (std::size_t peak = heap_peak::g_peakBytes; live > peak && !heap_peak::g_peakBytes.compare_exchange_weak(peak, live);) {
  }
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  heap_peak::g_liveBytes -= malloc_usable_size(block);
  std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }
