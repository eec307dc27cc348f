#pragma once

#include "platform/AfxExport.h"
#include "platform/windef.h"

// What an MFC extension library keeps about itself: one static record per library, filled by
// AfxInitExtensionModule and handed to CDynLinkLibrary to join the resource search.
struct AFX_EXTENSION_MODULE {
  BOOL bInitialized;
  HMODULE hModule;
  HMODULE hResource;  // where the library's resources are: the library itself
};

// Fills `state` for the library `hModule` and returns TRUE; a record already filled is left as
// it is (TRUE). FALSE for a null module, with `state` unchanged.
AFX_EXT_API BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
// Unlinks and deletes the CDynLinkLibrary objects of `state`'s library (with bAll, every one in
// the chain). Nothing for a record that was never filled.
AFX_EXT_API void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);
