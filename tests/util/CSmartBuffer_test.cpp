#include "util/CSmartBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

// A failed allocation must come back as null here, not stop the program, so that the
// exhausted-memory path can be tested under AddressSanitizer too. (Visible, for the sanitizer
// runtime to find it in a program built with hidden visibility.)
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

struct Observed {
  unsigned int count;
  unsigned long size;
  int available;
};

Observed Observe(const CSmartBuffer& buffer) {
  return {buffer.GetRefCount(), buffer.GetSize(), buffer.IsAvailable()};
}

void ExpectObserved(const CSmartBuffer& buffer, Observed expected, const char* step) {
  const Observed actual = Observe(buffer);
  EXPECT_EQ(actual.count, expected.count) << step;
  EXPECT_EQ(actual.size, expected.size) << step;
  EXPECT_EQ(actual.available, expected.available) << step;
}

TEST(CSmartBufferCreate, RefusesZeroHoldersAndExhaustedMemory) {
  EXPECT_EQ(CSmartBuffer::CreateBuffer(100, 0, 1), nullptr);
  EXPECT_EQ(CSmartBuffer::CreateBuffer(ULONG_MAX, 1, 1), nullptr);
  EXPECT_EQ(CSmartBuffer::CreateBuffer(nullptr, 4, 1, 1), nullptr);
  const CSmartBuffer empty;
  ExpectObserved(empty, {0, 0, 0}, "default");
}

TEST(CSmartBufferCreate, CopiesTheSourceOnce) {
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
  ExpectObserved(*buffer, {2, 100, 1}, "created");
  buffer->RemoveRef(3);
  ExpectObserved(*buffer, {2, 100, 1}, "RemoveRef(3) of 2");
  buffer->AddRef(2);
  ExpectObserved(*buffer, {4, 100, 1}, "AddRef(2)");
  buffer->RemoveRef(3);
  ExpectObserved(*buffer, {1, 100, 1}, "RemoveRef(3) of 4");
  buffer->RemoveRef(1);
  ExpectObserved(*buffer, {0, 0, 0}, "RemoveRef to 0");
  EXPECT_EQ(buffer->GetBuffer(), nullptr);
  buffer->RemoveRef(1);
  buffer->AddRef(1);
  buffer->RemoveRef(1);  // no block: ignored
  ExpectObserved(*buffer, {1, 0, 0}, "after the block is gone");
  delete buffer;
}

// With self-delete the last holder deletes the object; AddressSanitizer reports a leak if it
// does not and a double free if the destructor released the block a second time.
TEST(CSmartBufferCount, SelfDeletingBufferGoesWithItsLastHolderOrAnyFree) {
  CSmartBuffer* counted = CSmartBuffer::CreateBuffer(16, 2, 1);
  ASSERT_NE(counted, nullptr);
  counted->RemoveRef(1);
  ExpectObserved(*counted, {1, 16, 1}, "one holder left");
  counted->RemoveRef(1);  // deleted here

  CSmartBuffer* freed = CSmartBuffer::CreateBuffer(16, 5, 1);
  ASSERT_NE(freed, nullptr);
  freed->Free();  // whatever the count

  CSmartBuffer* block = CSmartBuffer::CreateBuffer(8, 3, 0);
  ASSERT_NE(block, nullptr);
  block->Free();
  ExpectObserved(*block, {0, 0, 0}, "freed, not self-deleting");
  delete block;
}

TEST(CSmartBufferCopy, CopySharesTheBlockButNotTheCount) {
  CSmartBuffer* original = CSmartBuffer::CreateBuffer(32, 2, 0);
  ASSERT_NE(original, nullptr);
  unsigned long ticket = 0;
  ASSERT_EQ(original->EnterCriticalSection(ticket), 1);
  CSmartBuffer copy(*original);
  EXPECT_EQ(copy.GetBuffer(), original->GetBuffer());
  copy.AddRef(1);
  EXPECT_EQ(original->GetRefCount(), 2u);
  EXPECT_EQ(copy.EnterCriticalSection(ticket), 0);  // the lock state came along
  EXPECT_EQ(copy.ExitCriticalSection(ticket), 1);
  EXPECT_EQ(original->EnterCriticalSection(ticket), 0);  // but is the copy's own from then on
  CSmartBuffer assigned;
  assigned = copy;
  EXPECT_EQ(assigned.GetRefCount(), 3u);
  // The block is released through one holder only: the copies let go of it unreleased.
  copy = CSmartBuffer();
  assigned = CSmartBuffer();
  delete original;
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
  EXPECT_EQ(buffer.EnterCriticalSection(second), 0);
  EXPECT_EQ(buffer.ExitCriticalSection(ticket), 1);
  EXPECT_EQ(buffer.EnterCriticalSection(second), 1);
  EXPECT_EQ(buffer.ExitCriticalSection(second), 1);
}

// Several threads race for the lock on one shared buffer. Whoever gets it writes the block's
// bytes without any other synchronisation: two holders at once would show as a second holder,
// as a torn block, or (under ThreadSanitizer) as a data race.
TEST(CSmartBufferContention, LockIsHeldByOneThreadAtATime) {
  constexpr int kThreads = 4;
  constexpr int kRoundsPerThread = 2000;
  CSmartBuffer* shared = CSmartBuffer::CreateBuffer(64, kThreads, 1);
  ASSERT_NE(shared, nullptr);
  std::memset(shared->GetBuffer(), 0, 64);
  std::atomic<int> holders{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> refusedExits{0};
  long acquired[kThreads] = {};

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      auto* bytes = static_cast<unsigned char*>(shared->GetBuffer());
      for (int round = 0; round < kRoundsPerThread;) {
        unsigned long ticket = 0;
        if (!shared->EnterCriticalSection(ticket)) {
          std::this_thread::yield();
          continue;
        }
        if (holders.fetch_add(1) != 0) overlaps.fetch_add(1);
        for (int i = 0; i < 64; ++i) bytes[i] = static_cast<unsigned char>(bytes[i] + 1);
        holders.fetch_sub(1);
        if (!shared->ExitCriticalSection(ticket)) refusedExits.fetch_add(1);
        ++acquired[t];
        ++round;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(refusedExits.load(), 0);
  const auto* bytes = static_cast<const unsigned char*>(shared->GetBuffer());
  for (int i = 0; i < 64; ++i) ASSERT_EQ(bytes[i], static_cast<unsigned char>(kThreads * kRoundsPerThread)) << i;
  for (long count : acquired) EXPECT_EQ(count, kRoundsPerThread);
  shared->RemoveRef(kThreads);  // the holders let go together: deleted here
}

}  // namespace
