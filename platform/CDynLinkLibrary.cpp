#include "platform/CDynLinkLibrary.h"

#include <mutex>

#include "platform/AfxModuleState.h"

namespace {

// Serialises the writers of the chain; readers take no lock (see the header).
std::mutex g_chainMutex;

}  // namespace

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem) {
  LinkAtHead();
}

CDynLinkLibrary::CDynLinkLibrary(HINSTANCE hModule, HINSTANCE hResource)
    : m_hModule(hModule), m_hResource(hResource), m_bSystem(FALSE) {
  LinkAtHead();
}

CDynLinkLibrary::~CDynLinkLibrary() {
  std::lock_guard lock(g_chainMutex);
  std::atomic<CDynLinkLibrary*>* link = &AfxGetModuleState()->m_libraryList;
  while (CDynLinkLibrary* library = link->load(std::memory_order_relaxed)) {
    if (library == this) {
      link->store(GetNextLibrary(), std::memory_order_release);
      return;
    }
    link = &library->m_pNextDLL;
  }
}

void CDynLinkLibrary::LinkAtHead() {
  std::lock_guard lock(g_chainMutex);
  std::atomic<CDynLinkLibrary*>& head = AfxGetModuleState()->m_libraryList;
  m_pNextDLL.store(head.load(std::memory_order_relaxed), std::memory_order_relaxed);
  head.store(this, std::memory_order_release);
}
