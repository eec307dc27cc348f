#include "platform/AfxExtensionModule.h"

#include <vector>

#include "platform/AfxModuleState.h"
#include "platform/CDynLinkLibrary.h"

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
  if (state.bInitialized) return TRUE;
  if (!hModule) return FALSE;
  state.hModule = hModule;
  state.hResource = hModule;
  state.bInitialized = TRUE;
  return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll) {
  if (!state.bInitialized) return;
  // Collected first: each destructor unlinks its library from the chain being walked.
  std::vector<CDynLinkLibrary*> doomed;
  for (CDynLinkLibrary* library = AfxGetModuleState()->GetFirstLibrary(); library;
       library = library->GetNextLibrary()) {
    if (bAll || library->m_hModule == state.hModule) doomed.push_back(library);
  }
  for (CDynLinkLibrary* library : doomed) delete library;
}
