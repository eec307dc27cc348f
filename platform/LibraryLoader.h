#pragma once

// Win32's loading of modules over the system's dynamic loader. A module is a shared object; its
// HMODULE stays the same for every load of the same object, and each load is balanced by one
// FreeLibrary, as on Windows. A module that carries a string table (platform/StringTable.h) has
// it found once, at load; string lookups then cost no loader call.
#include "platform/AfxExport.h"
#include "platform/StringTable.h"
#include "platform/windef.h"

// The reason codes of a library's entry point.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// Loads the shared object `fileName` and returns its module, or null when it cannot be loaded.
// A name with a '/' is used as it stands; a bare name is looked for in the program folder first,
// then on the system's library path.
AFX_EXT_API HMODULE LoadLibraryA(LPCSTR fileName);
// Gives back one load of `module`; the object is unloaded with its last one. FALSE for a null or
// unknown module and for one that holds no load.
AFX_EXT_API BOOL FreeLibrary(HMODULE module);
// The module that holds the code or data at `address`, with flags FROM_ADDRESS, optionally
// UNCHANGED_REFCOUNT (otherwise the call counts as a load). Lookup by name is not supported:
// FALSE and *module null, as for an address outside every shared object.
AFX_EXT_API BOOL GetModuleHandleExA(DWORD flags, LPCSTR address, HMODULE* module);
// The path of the program (null `module`) or of a loaded module, as Win32 gives it: the length
// copied without the terminating zero; a path that does not fit is cut to size - 1 characters
// and `size` is returned. 0 when the path is unknown or `size` is 0.
AFX_EXT_API DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// The string table that `module` exports, or null for none (a null module, one without texts,
// one that is no longer loaded).
AFX_EXT_API const StringTable* GetModuleStringTable(HMODULE module);
