#pragma once

#include <atomic>

#include "platform/AfxExport.h"
#include "platform/windef.h"

class CDynLinkLibrary;

// MFC's module state, one for the whole process: the module and its host share the application's
// resource search. A string resource is looked for in m_hCurrentResourceHandle first, then in the
// chain of extension libraries (platform/CDynLinkLibrary.h), newest first, MFC's own libraries
// (bSystem) last.
class AFX_EXT_CLASS AFX_MODULE_STATE {
 public:
  AFX_MODULE_STATE() = default;
  AFX_MODULE_STATE(const AFX_MODULE_STATE&) = delete;
  AFX_MODULE_STATE& operator=(const AFX_MODULE_STATE&) = delete;

  // The first of the chain of extension libraries, or null; each links to the next.
  CDynLinkLibrary* GetFirstLibrary() const { return m_libraryList.load(std::memory_order_acquire); }

  // Searched before the chain; null (the start) searches the chain alone, since the program
  // carries no string table. Set at start-up, before other threads look up texts, as in MFC.
  HINSTANCE m_hCurrentResourceHandle = nullptr;

 private:
  friend class CDynLinkLibrary;  // links and unlinks itself
  std::atomic<CDynLinkLibrary*> m_libraryList{nullptr};
};

// The process's module state; never null.
AFX_EXT_API AFX_MODULE_STATE* AfxGetModuleState();
