#pragma once

#include "platform/AfxExport.h"

// A block of raw memory that several holders share. It counts its holders, frees the block when
// the last one lets go and, when made with the self-delete flag, deletes itself at that moment.
// It also carries an advisory try-lock whose key is a ticket number.
//
// Threads: only the lock's test-and-set is atomic, and only EnterCriticalSection and
// ExitCriticalSection may run on one object from several threads at once. Counting, releasing
// and copying are not thread-safe: a host that
// calls AddRef, RemoveRef or Free on one object from several threads serialises those calls
// itself (for instance under this lock). Copies share the block but not the count or the lock;
// the block must then be released through one of them only.
class AFX_EXT_CLASS CSmartBuffer {
 public:
  // A new object holding a block of `size` bytes (contents undefined), counting `refCount`
  // holders, deleting itself when released if `selfDelete` is nonzero. Null, with nothing
  // allocated, when `refCount` is 0 or the memory cannot be had.
  static CSmartBuffer* CreateBuffer(unsigned long size, unsigned int refCount, int selfDelete);
  // As above, the block a copy of the `size` bytes at `source`; null when `source` is null and
  // `size` is not 0.
  static CSmartBuffer* CreateBuffer(void* source, unsigned long size, unsigned int refCount, int selfDelete);

  // No block, size 0, count 0, flags clear, ticket 0.
  CSmartBuffer();
  // Copies every field: the copy refers to the same block, with the same count, flags and
  // ticket, which from then on are its own.
  CSmartBuffer(const CSmartBuffer& other);
  CSmartBuffer& operator=(const CSmartBuffer& other);
  // Frees the block if there is one; never deletes the object a second time.
  virtual ~CSmartBuffer();

  // Count += count; no check, no lock.
  void AddRef(unsigned int count);
  // Nothing when there is no block or `count` exceeds the count. Otherwise count -= count; at 0
  // the block is freed and, with the self-delete flag set, the object deleted.
  void RemoveRef(unsigned int count);
  // Frees the block whatever the count (count becomes 0), then deletes the object if the
  // self-delete flag is set.
  void Free();

  void* GetBuffer() const { return m_pBuffer; }
  unsigned long GetSize() const { return m_ulSize; }
  unsigned int GetRefCount() const { return m_nRefCount; }
  // 1 when there is a block, else 0.
  int IsAvailable() const { return m_pBuffer != nullptr ? 1 : 0; }

  // Try-lock: 1 and a fresh ticket in `ticket` (a positive number from rand()) when the lock was
  // free; 0 and `ticket` untouched when it is held. Never blocks; two threads never both obtain
  // it.
  int EnterCriticalSection(unsigned long& ticket);
  // 1 and the lock released when `ticket` is the current holder's (0 when unlocked); else 0 and
  // nothing changes. Taking and releasing are each one atomic step, so no other number, 0
  // included, can release a held lock, whatever other threads do meanwhile.
  int ExitCriticalSection(unsigned long ticket);

 private:
  // Frees the block and leaves the object empty with count 0.
  void ReleaseBlock();
  // Deletes the object when the self-delete flag is set; the flag is cleared first.
  void DeleteIfSelfOwned();

  void* m_pBuffer;
  unsigned long m_ulSize;
  unsigned int m_nRefCount;
  int m_bSelfDelete;
  int m_bLocked;
  unsigned long m_ulTicket;
};
