#include "util/CSmartBuffer.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The lock's state lives in one word, the locked flag, so that taking and releasing the lock are
// each a single compare-and-swap: while locked the flag holds the holder's ticket with its top
// bit set (nonzero whatever the ticket), unlocked it holds 0. A release therefore succeeds only
// for the exact ticket of the holder, and there is no moment at which the flag is set but the
// ticket not yet drawn. The ticket field mirrors the holder's ticket; only the holder writes it.
// Both stay plain fields of the object (its layout is fixed) and are reached through atomic views.
constexpr unsigned int kLockedBit = 0x80000000u;
static_assert(RAND_MAX <= 0x7FFFFFFF, "a ticket must leave the flag's top bit free");

std::atomic_ref<int> LockFlag(int& flag) { return std::atomic_ref<int>(flag); }
std::atomic_ref<unsigned long> LockTicket(unsigned long& ticket) { return std::atomic_ref<unsigned long>(ticket); }

static_assert(alignof(int) >= std::atomic_ref<int>::required_alignment);
static_assert(alignof(unsigned long) >= std::atomic_ref<unsigned long>::required_alignment);

int LockedFlagFor(unsigned long ticket) { return static_cast<int>(static_cast<unsigned int>(ticket) | kLockedBit); }

// A fresh ticket: rand() is never negative; 0 is drawn again, because 0 is what a caller may
// offer an unlocked buffer and must never open a held one.
unsigned long DrawTicket() {
  int drawn = std::rand();
  while (drawn == 0) drawn = std::rand();
  return static_cast<unsigned long>(drawn);
}

}  // namespace

CSmartBuffer* CSmartBuffer::CreateBuffer(unsigned long size, unsigned int refCount, int selfDelete) {
  if (refCount == 0) return nullptr;
  auto* buffer = new (std::nothrow) CSmartBuffer;
  if (buffer == nullptr) return nullptr;
  buffer->m_pBuffer = std::malloc(size);
  if (buffer->m_pBuffer == nullptr) {
    delete buffer;
    return nullptr;
  }
  buffer->m_ulSize = size;
  buffer->m_nRefCount = refCount;
  buffer->m_bSelfDelete = selfDelete;
  return buffer;
}

CSmartBuffer* CSmartBuffer::CreateBuffer(void* source, unsigned long size, unsigned int refCount, int selfDelete) {
  if (source == nullptr && size > 0) return nullptr;
  CSmartBuffer* buffer = CreateBuffer(size, refCount, selfDelete);
  if (buffer != nullptr && size > 0) std::memcpy(buffer->m_pBuffer, source, size);
  return buffer;
}

CSmartBuffer::CSmartBuffer()
    : m_pBuffer(nullptr), m_ulSize(0), m_nRefCount(0), m_bSelfDelete(0), m_bLocked(0), m_ulTicket(0) {}

CSmartBuffer::CSmartBuffer(const CSmartBuffer& other)
    : m_pBuffer(other.m_pBuffer),
      m_ulSize(other.m_ulSize),
      m_nRefCount(other.m_nRefCount),
      m_bSelfDelete(other.m_bSelfDelete),
      m_bLocked(other.m_bLocked),
      m_ulTicket(other.m_ulTicket) {}

CSmartBuffer& CSmartBuffer::operator=(const CSmartBuffer& other) {
  m_pBuffer = other.m_pBuffer;
  m_ulSize = other.m_ulSize;
  m_nRefCount = other.m_nRefCount;
  m_bSelfDelete = other.m_bSelfDelete;
  m_bLocked = other.m_bLocked;
  m_ulTicket = other.m_ulTicket;
  return *this;
}

CSmartBuffer::~CSmartBuffer() {
  if (m_pBuffer != nullptr) ReleaseBlock();
}

void CSmartBuffer::AddRef(unsigned int count) { m_nRefCount += count; }

void CSmartBuffer::RemoveRef(unsigned int count) {
  if (m_pBuffer == nullptr || count > m_nRefCount) return;
  m_nRefCount -= count;
  if (m_nRefCount != 0) return;
  ReleaseBlock();
  DeleteIfSelfOwned();
}

void CSmartBuffer::Free() {
  if (m_pBuffer != nullptr) ReleaseBlock();
  DeleteIfSelfOwned();
}

int CSmartBuffer::EnterCriticalSection(unsigned long& ticket) {
  const unsigned long drawn = DrawTicket();
  int unlocked = 0;
  if (!LockFlag(m_bLocked).compare_exchange_strong(unlocked, LockedFlagFor(drawn), std::memory_order_acquire)) return 0;
  LockTicket(m_ulTicket).store(drawn, std::memory_order_relaxed);
  ticket = drawn;
  return 1;
}

int CSmartBuffer::ExitCriticalSection(unsigned long ticket) {
  const int flag = LockFlag(m_bLocked).load(std::memory_order_relaxed);
  if (flag == 0) return ticket == 0 ? 1 : 0;  // unlocked: the stored ticket is 0
  if (ticket > static_cast<unsigned long>(RAND_MAX) || flag != LockedFlagFor(ticket)) return 0;
  // Only the holder gets here; it clears the mirror before the lock is free for the next one.
  LockTicket(m_ulTicket).store(0, std::memory_order_relaxed);
  int held = flag;
  return LockFlag(m_bLocked).compare_exchange_strong(held, 0, std::memory_order_release) ? 1 : 0;
}

void CSmartBuffer::ReleaseBlock() {
  std::free(m_pBuffer);
  m_pBuffer = nullptr;
  m_ulSize = 0;
  m_nRefCount = 0;
}

void CSmartBuffer::DeleteIfSelfOwned() {
  if (m_bSelfDelete == 0) return;
  m_bSelfDelete = 0;
  delete this;
}
