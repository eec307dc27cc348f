#include "util/CSmartBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

// A failed allocation must come back as null here, not stop the program, so that the
// exhausted-memory path can be tested under AddressSanitizer too. (Visible, for the sanitizer
// runtime to find it in a program built with hidden visibility.)
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() { return "allocator_may_return_null=1"; }

// Which object the program deletes is watched through the global operator delete (where no
// sanitizer owns it; under AddressSanitizer a buffer that is not deleted shows as a leak).
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define VUDODA_WATCH_DELETE 1
namespace {
const void* g_watched = nullptr;
bool g_watchedDeleted = false;
void Deleting(void* object) {
  if (object != nullptr && object == g_watched) g_watchedDeleted = true;
  std::free(object);
}
}  // namespace
__attribute__((visibility("default"))) void operator delete(void* object) noexcept { Deleting(object); }
__attribute__((visibility("default"))) void operator delete(void* object, std::size_t) noexcept { Deleting(object); }
#endif

namespace {

// Runs `release`, which must delete `buffer`.
template <class Release>
void ExpectDeletedBy([[maybe_unused]] const CSmartBuffer* buffer, Release release) {
#ifdef VUDODA_WATCH_DELETE
  g_watched = buffer, g_watchedDeleted = false;
  release();
  g_watched = nullptr;
  EXPECT_TRUE(g_watchedDeleted);
#else
  release();
#endif
}

struct Observed {
  unsigned int count;
  unsigned long size;
  int available;
  bool operator==(const Observed&) const = default;
};

Observed Observe(const CSmartBuffer& buffer) { return {buffer.GetRefCount(), buffer.GetSize(), buffer.IsAvailable()}; }

TEST(CSmartBufferCreate, RefusesZeroHoldersAndExhaustedMemoryAndCopiesTheSourceOnce) {
  EXPECT_EQ(CSmartBuffer::CreateBuffer(100, 0, 1), nullptr);
  EXPECT_EQ(CSmartBuffer::CreateBuffer(ULONG_MAX, 1, 1), nullptr);
  char source[] = "FHR1 140";
  CSmartBuffer* buffer = CSmartBuffer::CreateBuffer(source, sizeof source, 1, 1);
  ASSERT_NE(buffer, nullptr);
  source[0] = 'X';
  EXPECT_EQ(std::memcmp(buffer->GetBuffer(), "FHR1 140", sizeof source), 0);
  buffer->Free();  // self-deleting: no delete here
}

// Counting without self-delete: the object outlives its block. Each step is checked against
// the count, size and availability it must leave.
TEST(CSmartBufferCount, RemoveRefReleasesTheBlockAtZeroOnly) {
  CSmartBuffer* buffer = CSmartBuffer::CreateBuffer(100, 2, 0);
  ASSERT_NE(buffer, nullptr);
  // RemoveRef of more than is held is ignored, and so is any RemoveRef once the block is gone.
  const struct {
    bool add;
    unsigned int count;
    Observed after;
  } steps[] = {{false, 3, {2, 100, 1}}, {false, 1, {1, 100, 1}}, {false, 1, {0, 0, 0}}, {true, 1, {1, 0, 0}}, {false, 1, {1, 0, 0}}};
  for (const auto& step : steps) {
    step.add ? buffer->AddRef(step.count) : buffer->RemoveRef(step.count);
    EXPECT_EQ(Observe(*buffer), step.after) << "step " << &step - steps;
  }
  delete buffer;
}

// With self-delete the last holder, or any Free, deletes the object; AddressSanitizer reports a
// leak if it does not and a double free if the destructor released the block a second time.
TEST(CSmartBufferCount, SelfDeletingBufferGoesWithItsLastHolderOrAnyFree) {
  CSmartBuffer* counted = CSmartBuffer::CreateBuffer(16, 2, 1);
  ASSERT_NE(counted, nullptr);
  counted->RemoveRef(1);
  EXPECT_EQ(Observe(*counted), (Observed{1, 16, 1}));
  ExpectDeletedBy(counted, [&] { counted->RemoveRef(1); });
  for (const unsigned int holders : {1u, 5u}) {
    CSmartBuffer* freed = CSmartBuffer::CreateBuffer(16, holders, 1);
    ExpectDeletedBy(freed, [&] { freed->Free(); });
    CSmartBuffer* released = CSmartBuffer::CreateBuffer(16, holders, 1);
    ExpectDeletedBy(released, [&] { released->RemoveRef(holders); });
  }
  CSmartBuffer* block = CSmartBuffer::CreateBuffer(8, 3, 0);
  block->Free();
  EXPECT_EQ(Observe(*block), (Observed{0, 0, 0})) << "freed, not self-deleting";
  delete block;
}

TEST(CSmartBufferLock, TicketLockOpensOnlyWithItsTicket) {
  CSmartBuffer buffer;
  EXPECT_EQ(buffer.ExitCriticalSection(0), 1);  // unlocked: the stored ticket is 0
  unsigned long ticket = 12345;
  ASSERT_EQ(buffer.EnterCriticalSection(ticket), 1);
  EXPECT_LE(ticket, static_cast<unsigned long>(INT_MAX));
  unsigned long second = 777;
  EXPECT_EQ(buffer.EnterCriticalSection(second), 0);
  EXPECT_EQ(second, 777u);
  EXPECT_EQ(buffer.ExitCriticalSection(ticket + 1), 0);
  EXPECT_EQ(buffer.ExitCriticalSection(0), 0);
  EXPECT_EQ(buffer.EnterCriticalSection(second), 0);
  EXPECT_EQ(buffer.ExitCriticalSection(ticket), 1);
  EXPECT_EQ(buffer.EnterCriticalSection(second), 1);
}

// Several threads race for the lock on one shared buffer while one more keeps offering ticket
// 0, which opens only an unlocked buffer. Whoever holds the lock writes the block's bytes without
// any other synchronisation: two holders at once would show as a second holder, as a refused
// release, as a torn block, or (under ThreadSanitizer) as a data race.
TEST(CSmartBufferContention, LockIsHeldByOneThreadAtATime) {
  // Enough rounds for a thread to be preempted inside the lock's own steps many times over.
  constexpr int kThreads = 4, kRounds = 200000;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  CSmartBuffer* shared = CSmartBuffer::CreateBuffer(64, kThreads, 1);
  ASSERT_NE(shared, nullptr);
  std::memset(shared->GetBuffer(), 0, 64);
  std::atomic<int> holders{0}, faults{0}, finished{0};
  std::thread stranger([&] {
    while (finished.load() < kThreads) shared->ExitCriticalSection(0);
  });
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      auto* bytes = static_cast<unsigned char*>(shared->GetBuffer());
      for (int round = 0; round < kRounds;) {
        unsigned long ticket = 0;
        if (!shared->EnterCriticalSection(ticket)) {
          if (std::chrono::steady_clock::now() > deadline) break;  // a lock that never opens again
          std::this_thread::yield();
          continue;
        }
        if (holders.fetch_add(1) != 0) faults.fetch_add(1);
        for (int i = 0; i < 64; ++i) bytes[i] = static_cast<unsigned char>(bytes[i] + 1);
        holders.fetch_sub(1);
        if (!shared->ExitCriticalSection(ticket)) faults.fetch_add(1);
        ++round;
      }
      finished.fetch_add(1);
    });
  }
  for (std::thread& thread : threads) thread.join();
  stranger.join();
  EXPECT_EQ(faults.load(), 0);
  const auto* bytes = static_cast<const unsigned char*>(shared->GetBuffer());
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bytes[i], static_cast<unsigned char>(kThreads * kRounds)) << i;
  shared->RemoveRef(kThreads);  // the holders let go together: deleted here
}

}  // namespace
