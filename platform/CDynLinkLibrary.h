#pragma once

#include <atomic>

#include "platform/AfxExport.h"
#include "platform/AfxExtensionModule.h"
#include "platform/windef.h"

// One library in the process's chain of extension libraries (AFX_MODULE_STATE). Created on the
// heap by the library at its start-up, it links itself at the head of the chain; its deletion,
// normally by AfxTermExtensionModule, unlinks it.
//
// Lookups walk the chain without a lock, so that a text costs no locking; a library is unlinked
// only while it unloads, when no thread may still be looking up its texts.
class AFX_EXT_CLASS CDynLinkLibrary {
 public:
  // The library of `state`; `bSystem` marks one of MFC's own libraries, searched last.
  explicit CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
  // A library whose code and resources are in the given modules.
  CDynLinkLibrary(HINSTANCE hModule, HINSTANCE hResource);
  CDynLinkLibrary(const CDynLinkLibrary&) = delete;
  CDynLinkLibrary& operator=(const CDynLinkLibrary&) = delete;
  virtual ~CDynLinkLibrary();

  // The next library of the chain, or null.
  CDynLinkLibrary* GetNextLibrary() const { return m_pNextDLL.load(std::memory_order_acquire); }

  HMODULE m_hModule;
  HMODULE m_hResource;
  BOOL m_bSystem;

 private:
  void LinkAtHead();

  std::atomic<CDynLinkLibrary*> m_pNextDLL{nullptr};
};
