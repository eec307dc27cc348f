#include "util/CSmartBuffer.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The lock's flag and ticket stay plain fields of the object (its layout is fixed); every
// access that a second thread may race with goes through an atomic view of them.
std::atomic_ref<int> LockFlag(int& flag) { return std::atomic_ref<int>(flag); }
std::atomic_ref<unsigned long> LockTicket(unsigned long& ticket) { return std::atomic_ref<unsigned long>(ticket); }

static_assert(alignof(int) >= std::atomic_ref<int>::required_alignment);
static_assert(alignof(unsigned long) >= std::atomic_ref<unsigned long>::required_alignment);

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
  int unlocked = 0;
  if (!LockFlag(m_bLocked).compare_exchange_strong(unlocked, 1, std::memory_order_acquire)) return 0;
  // rand() is never negative, so the ticket is the non-negative number it drew.
  const auto drawn = static_cast<unsigned long>(std::rand());
  LockTicket(m_ulTicket).store(drawn, std::memory_order_relaxed);
  ticket = drawn;
  return 1;
}

int CSmartBuffer::ExitCriticalSection(unsigned long ticket) {
  unsigned long expected = ticket;
  if (!LockTicket(m_ulTicket).compare_exchange_strong(expected, 0, std::memory_order_relaxed)) return 0;
  LockFlag(m_bLocked).store(0, std::memory_order_release);
  return 1;
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
