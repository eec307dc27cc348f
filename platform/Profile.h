#pragma once

// Win32's profile functions over standard Windows INI files (platform/ProfileFile.h holds the
// rules). Each call reads the file afresh, so it sees every write made before it. A write is
// ProfileFile::Update: it takes its turn with the file's other writers and edits the file as it
// finds it, then replaces it atomically (in place where the folder refuses new files). A file
// name is used as it stands (relative to the working folder).
#include "platform/AfxExport.h"
#include "platform/windef.h"

// The value of `keyName` in `appName` read as an integer (leading blanks, a sign, decimal digits
// or "0x" and hex digits, up to the first other character); `nDefault` when the file, the
// section or the key is missing or the value is empty.
AFX_EXT_API UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, int nDefault, LPCSTR fileName);

// Copies the value of `keyName` in `appName` (one pair of quotes dropped), or `defaultText` less
// its trailing blanks when missing (null: empty), into `returned`, cut to `size` - 1 bytes and
// zero-terminated; returns the bytes copied without the zero. A null `appName` lists the section
// names, a null `keyName` the keys of `appName` (none: the default as above): each name and a
// zero, then one more zero; returns the bytes without the last zero, or `size` - 2 when the list
// was cut (its last name shortened and followed by two zeros).
AFX_EXT_API DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultText, LPSTR returned,
                                           DWORD size, LPCSTR fileName);

// The section names as GetPrivateProfileStringA with a null `appName` lists them.
AFX_EXT_API DWORD GetPrivateProfileSectionNamesA(LPSTR returned, DWORD size, LPCSTR fileName);

// Writes `keyName`=`text` into section `appName`, creating the file, the section or the key as
// needed; a null `text` deletes the key, a null `keyName` the whole section (TRUE, and the file
// untouched, when there is none). FALSE, and the file untouched, for a null `appName`, a file
// that cannot be read or written, or a name or text that holds a line break; errno then tells
// why (EINVAL for a refused name or text, ProfileFile::Update's error for the file).
AFX_EXT_API BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR text, LPCSTR fileName);
