#pragma once

#include "platform/AfxExport.h"
#include "platform/CString.h"
#include "platform/windef.h"

// The general functions of the in-house utility library, all static.
class AFX_EXT_CLASS QnGF {
 public:
  // The text of string resource `id` in the process code page, found by the application's
  // resource search: the language library chosen at start-up when it holds the id, else the
  // module's English table. The empty string when no module holds it.
  static CString GetString(UINT id);

  // `name` in `folder`, joined with one '/'; a null or empty `folder` is the program folder
  // (where the running program lies), so MakePath(nullptr, "Maternis.ini") is absolute.
  static CString MakePath(const char* folder, const char* name);
  // 1 when `path` names an existing regular file, else 0.
  static int IsFile(const char* path);
  // 1 when something (file or folder) exists at `path`, else 0.
  static int IsExist(const char* path);
  // Creates the file `path`: with `createFolders` nonzero its missing folders too; with
  // `keepExisting` nonzero an existing file keeps its contents (else it is emptied). 0 when
  // done, else the system's error number: EISDIR or EINVAL, at once, when a folder, a named pipe
  // or a device lies at `path`.
  static int CreateFileA(const char* path, int createFolders, int keepExisting);
  // `text` cut to at most `limit` bytes (nothing for a null text or a limit below 1): the
  // longest run of whole characters of the process code page from the start that fits, with
  // no mark added, so a multibyte character (UTF-8, a Korean double byte) is never cut in two.
  static CString AbbreviateText(const char* text, int limit);
};
