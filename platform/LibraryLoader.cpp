#include "platform/LibraryLoader.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// One module of the process as the platform knows it. A record is never freed: a handle that a
// caller still holds after the last FreeLibrary finds no table rather than freed memory, and a
// record left over is taken again by the next module loaded.
struct HINSTANCE__ {
  void* dlHandle = nullptr;  // null while the record is unused
  std::string path;
  std::atomic<const StringTable*> table{nullptr};
  int loadCount = 0;  // loads not yet given back by FreeLibrary
};

namespace {

struct ModuleRegistry {
  std::mutex mutex;
  std::vector<std::unique_ptr<HINSTANCE__>> modules;
};

// Never destroyed: the module's own unload runs after the process's static destructors and
// still unregisters through here.
ModuleRegistry& Registry() {
  static ModuleRegistry& registry = *new ModuleRegistry;
  return registry;
}

std::string ReadProgramPath() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<size_t>(length) >= path.size()) return {};
  path.resize(static_cast<size_t>(length));
  return path;
}

// The program of a process never changes, so its path is read once.
const std::string& ProgramPath() {
  static const std::string path = ReadProgramPath();
  return path;
}

// Windows looks for a bare library name beside the program before anywhere else.
std::string LibraryPath(const char* fileName) {
  if (std::strchr(fileName, '/')) return fileName;
  const std::string& program = ProgramPath();
  const std::string local = program.substr(0, program.rfind('/') + 1) + fileName;
  return !program.empty() && access(local.c_str(), F_OK) == 0 ? local : fileName;
}

const link_map* LinkMapOf(void* dlHandle) {
  link_map* map = nullptr;
  return dlinfo(dlHandle, RTLD_DI_LINKMAP, &map) == 0 ? map : nullptr;
}

// The table of the object itself: dlsym also searches the object's dependencies, and a library
// that links the module must not pass for one that carries the module's texts.
const StringTable* TableOf(void* dlHandle) {
  void* const symbol = dlsym(dlHandle, VUDODA_STRING_TABLE_NAME);
  const link_map* map = LinkMapOf(dlHandle);
  Dl_info owner{};
  if (!symbol || !map || !dladdr(symbol, &owner) || !owner.dli_fname) return nullptr;
  if (std::strcmp(owner.dli_fname, map->l_name) != 0) return nullptr;
  return reinterpret_cast<STRING_TABLE_PROC>(symbol)();
}

bool IsStillLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

// The record of a loaded object: its own, or an unused one, or a new one. Holds the registry lock.
HINSTANCE__* Register(ModuleRegistry& registry, void* dlHandle, bool countsAsLoad) {
  auto& modules = registry.modules;
  auto found = std::find_if(modules.begin(), modules.end(), [&](const auto& m) { return m->dlHandle == dlHandle; });
  if (found == modules.end()) {
    found = std::find_if(modules.begin(), modules.end(), [](const auto& m) { return m->dlHandle == nullptr; });
  }
  if (found == modules.end()) found = modules.insert(modules.end(), std::make_unique<HINSTANCE__>());
  HINSTANCE__& module = **found;
  const link_map* map = LinkMapOf(dlHandle);
  module.dlHandle = dlHandle;
  module.path = map ? map->l_name : "";
  // Looked up again on every load: an object unloaded and loaded anew may sit elsewhere.
  module.table.store(TableOf(dlHandle), std::memory_order_release);
  if (countsAsLoad) ++module.loadCount;
  return &module;
}

bool IsRegistered(const ModuleRegistry& registry, HMODULE module) {
  return std::any_of(registry.modules.begin(), registry.modules.end(),
                     [&](const auto& m) { return m.get() == module && m->dlHandle; });
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) return nullptr;
  void* dlHandle = dlopen(LibraryPath(fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!dlHandle) return nullptr;
  ModuleRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  return Register(registry, dlHandle, true);
}

BOOL FreeLibrary(HMODULE module) {
  ModuleRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  if (!IsRegistered(registry, module) || module->loadCount == 0) return FALSE;
  --module->loadCount;
  dlclose(module->dlHandle);
  if (module->loadCount == 0 && !IsStillLoaded(module->path)) {
    module->table.store(nullptr, std::memory_order_release);
    module->dlHandle = nullptr;
  }
  return TRUE;
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR address, HMODULE* module) {
  if (!module) return FALSE;
  *module = nullptr;
  constexpr DWORD kSupported = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  Dl_info owner{};
  if (!(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) || (flags & ~kSupported) || !address ||
      !dladdr(address, &owner) || !owner.dli_fname) {
    return FALSE;
  }
  void* dlHandle = dlopen(owner.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (!dlHandle) return FALSE;
  const bool countsAsLoad = !(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT);
  ModuleRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  *module = Register(registry, dlHandle, countsAsLoad);
  if (!countsAsLoad) dlclose(dlHandle);
  return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string path;
  if (!module) {
    path = ProgramPath();
  } else {
    ModuleRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    if (IsRegistered(registry, module)) path = module->path;
  }
  if (path.empty() || size == 0 || !fileName) return 0;
  const size_t copied = std::min<size_t>(path.size(), size - 1);
  std::memcpy(fileName, path.data(), copied);
  fileName[copied] = '\0';
  return copied < path.size() ? size : static_cast<DWORD>(copied);
}

const StringTable* GetModuleStringTable(HMODULE module) {
  return module ? module->table.load(std::memory_order_acquire) : nullptr;
}
