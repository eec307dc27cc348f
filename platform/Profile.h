#pragma once

// Win32's profile functions over standard Windows INI files (platform/ProfileFile.h holds the
// rules). Each call reads the file afresh; a write replaces the file atomically, so the file on
// disk is always whole. A file name is used as it stands (relative to the working folder).
#include "platform/AfxExport.h"
#include "platform/windef.h"

// The value of `keyName` in `appName` read as an integer (leading blanks, a sign, decimal digits
// or "0x" and hex digits, up to the first other character); `nDefault` when the file, the
// section or the key is missing or the value is empty.
AFX_EXT_API UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, int nDefault, LPCSTR fileName);

// Copies the value of `keyName` in `appName` (one pair of quotes dropped), or `defaultText` less
// its trailing blanks when missing (null: empty), into `returned`, cut to `size` - 1 bytes and
// zero-terminated. Returns the bytes copied without the zero. Listing names (a null `appName`
// or `keyName`) is not supported: the buffer is emptied and 0 returned.
AFX_EXT_API DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultText, LPSTR returned,
                                           DWORD size, LPCSTR fileName);

// Writes `keyName`=`text` into section `appName`, creating the file, the section or the key as
// needed. FALSE, and the file untouched, when it cannot be written or a name or the text holds a
// line break; deleting (a null `keyName` or `text`) is not supported and gives FALSE.
AFX_EXT_API BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR text, LPCSTR fileName);
