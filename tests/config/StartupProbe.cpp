// Loads the module from its own program folder at run time, as the station does, and prints
// what start-up chose: the resource handle's library, a constant-map text, and whether the
// module left the resource chain when it was unloaded.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "platform/AfxModuleState.h"
#include "platform/CString.h"
#include "platform/LibraryLoader.h"

int main() {
  char path[4096] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string program(path);
  void* module = dlopen((program.substr(0, program.rfind('/')) + "/libvudoda.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  // ObConstMap::GetOnOffText(long), found by its symbol because the module is not linked in.
  using TextGetter = CString (*)(long);
  const auto getOnOffText = module ? reinterpret_cast<TextGetter>(dlsym(module, "_ZN10ObConstMap12GetOnOffTextEl")) : nullptr;
  if (!getOnOffText) {
    std::fprintf(stderr, "startup_probe: %s\n", dlerror());
    return 1;
  }
  HMODULE resource = AfxGetModuleState()->m_hCurrentResourceHandle;
  const std::string library = resource && GetModuleFileNameA(resource, path, sizeof path) ? path : "/none";
  std::printf("resource=%s\n", library.substr(library.rfind('/') + 1).c_str());
  std::printf("on=%s\n", getOnOffText(1).GetString());
  dlclose(module);
  std::printf("chain=%s\n", AfxGetModuleState()->GetFirstLibrary() ? "linked" : "empty");
  return 0;
}
