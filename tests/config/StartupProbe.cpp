// Loads the module from its own program folder at run time, as the station does, and prints
// what start-up chose: the resource handle's library, a constant-map text, and whether the
// module left the resource chain when it was unloaded.
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "platform/AfxModuleState.h"
#include "platform/CString.h"
#include "platform/LibraryLoader.h"

namespace {

std::string FileNameOf(HMODULE module) {
  char path[4096] = "";
  if (!module || GetModuleFileNameA(module, path, sizeof path) == 0) return "none";
  const std::string full(path);
  return full.substr(full.rfind('/') + 1);
}

}  // namespace

int main() {
  char program[4096] = "";
  GetModuleFileNameA(nullptr, program, sizeof program);
  const std::string folder = std::string(program).substr(0, std::string(program).rfind('/'));
  void* module = dlopen((folder + "/libvudoda.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "startup_probe: %s\n", dlerror());
    return 1;
  }
  // ObConstMap::GetOnOffText(long), found by its symbol because the module is not linked in.
  using TextGetter = CString (*)(long);
  const auto getOnOffText = reinterpret_cast<TextGetter>(dlsym(module, "_ZN10ObConstMap12GetOnOffTextEl"));
  if (!getOnOffText) {
    std::fprintf(stderr, "startup_probe: %s\n", dlerror());
    return 1;
  }
  std::printf("resource=%s\n", FileNameOf(AfxGetModuleState()->m_hCurrentResourceHandle).c_str());
  std::printf("on=%s\n", getOnOffText(1).GetString());
  dlclose(module);
  std::printf("chain=%s\n", AfxGetModuleState()->GetFirstLibrary() ? "linked" : "empty");
  return 0;
}
