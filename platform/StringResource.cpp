#include "platform/StringResource.h"

#include <cstring>
#include <string>

#include "platform/AfxModuleState.h"
#include "platform/CDynLinkLibrary.h"
#include "platform/CString.h"
#include "platform/CodePage.h"
#include "platform/LibraryLoader.h"
#include "platform/mbstring.h"

namespace {

// The text of `id` in `module` alone, in the process code page; `out` is unchanged on failure.
bool LoadModuleString(HINSTANCE module, UINT id, std::string& out) {
  const StringTable* table = GetModuleStringTable(module);
  const StringTableEntry* entry = table ? table->Find(id) : nullptr;
  if (!entry) return false;
  // The compiler admits only valid UTF-8 into a table: in a UTF-8 process the text is final.
  if (GetACP() == CP_UTF8) {
    out.assign(entry->Text());
    return true;
  }
  return Utf8ToAnsi(entry->Text(), out);
}

// MFC's resource search: the current resource handle, then the extension libraries, MFC's own
// last. The first module whose text the code page can hold wins.
bool LoadSearchedString(UINT id, std::string& out) {
  const AFX_MODULE_STATE* state = AfxGetModuleState();
  if (LoadModuleString(state->m_hCurrentResourceHandle, id, out)) return true;
  for (const BOOL system : {FALSE, TRUE}) {
    for (const CDynLinkLibrary* library = state->GetFirstLibrary(); library; library = library->GetNextLibrary()) {
      if (library->m_bSystem == system && LoadModuleString(library->m_hResource, id, out)) return true;
    }
  }
  return false;
}

}  // namespace

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
  std::string text;
  if (!buffer || size < 1 || !LoadModuleString(module, id, text)) return 0;
  const size_t copied = WholeCharacterPrefix(text, static_cast<size_t>(size) - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

// A member of CString, defined here beside the search it runs.
BOOL CString::LoadString(UINT id) { return LoadSearchedString(id, m_text) ? TRUE : FALSE; }
