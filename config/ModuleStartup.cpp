// The module's entry point. The process runs it when it loads the module (a shared-object
// constructor stands for the loader's call) and when it unloads it.
#include "config/LanguageLibrary.h"
#include "platform/AfxExtensionModule.h"
#include "platform/CDynLinkLibrary.h"
#include "platform/LibraryLoader.h"
#include "platform/Profile.h"
#include "qnutil/QnGF.h"

namespace {

AFX_EXTENSION_MODULE g_module = {};

}  // namespace

extern "C" BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    // Registration puts the module's string table into the application's resource search.
    if (!AfxInitExtensionModule(g_module, instance)) return FALSE;
    new CDynLinkLibrary(g_module);  // owned by the chain; AfxTermExtensionModule deletes it
    // The language is chosen once per process: a changed "Language" takes effect at the next
    // start. A missing file, key or library leaves the module's English texts.
    const CString configFile = QnGF::MakePath(nullptr, "Maternis.ini");
    SelectLanguageLibrary(static_cast<int>(GetPrivateProfileIntA("CENTRAL_DEFAULT", "Language", 3, configFile)));
  } else if (reason == DLL_PROCESS_DETACH) {
    AfxTermExtensionModule(g_module);
  }
  return TRUE;
}

namespace {

HINSTANCE ThisModule() {
  HINSTANCE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&g_module), &module);
  return module;
}

// A shared object cannot refuse its load: a failed attach leaves the module without its
// texts in the resource search, which every text lookup then shows as empty.
__attribute__((constructor)) void ProcessAttach() { DllMain(ThisModule(), DLL_PROCESS_ATTACH, nullptr); }

__attribute__((destructor)) void ProcessDetach() { DllMain(g_module.hModule, DLL_PROCESS_DETACH, nullptr); }

}  // namespace
