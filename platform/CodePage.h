#pragma once

// The process's 8-bit (ANSI) code page and the conversions between code pages and wide text.
//
// Supported code pages: 65001 (UTF-8, the default), 1252 (Western) and 949 (Korean, the
// Unified Hangul Code). CP_ACP stands for the process code page wherever a code page is taken.
// Wide text (WCHAR, wchar_t) holds one Unicode code point per element.
//
// Failure contract: a conversion never replaces, drops or guesses a character. Input that is
// not valid in its source code page (a broken UTF-8 sequence, a byte 1252 leaves undefined, a
// lone Korean lead byte), a character that the target code page cannot hold, an unsupported
// code page or flag: the conversion fails as a whole (false, or 0 from the Win32 functions).
//
// All functions may be called from several threads at once.
#include <string>
#include <string_view>

#include "platform/AfxExport.h"
#include "platform/windef.h"

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

// The process code page; 65001 until the host chooses another.
AFX_EXT_API UINT GetACP();
// Makes `codePage` the process code page: TRUE for 65001, 1252 and 949; any other value is
// refused with FALSE and the code page stays as it was.
AFX_EXT_API BOOL SetACP(UINT codePage);

// Win32's conversion to wide text. `sourceSize` -1 reads up to and including the terminating
// zero; `wideSize` 0 only returns the size needed. Returns the wide characters written (or
// needed), or 0 on failure or when the result does not fit. Flags: 0 or MB_ERR_INVALID_CHARS
// (invalid input fails either way).
AFX_EXT_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceSize,
                                    LPWSTR wide, int wideSize);
// Win32's conversion from wide text, with the same size rules in bytes. Flags: 0 or
// WC_NO_BEST_FIT_CHARS; no default character is ever substituted, so `defaultChar` is not
// used and `*usedDefaultChar`, when given, is set to FALSE on success.
AFX_EXT_API int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideSize,
                                    LPSTR target, int targetSize, LPCSTR defaultChar,
                                    LPBOOL usedDefaultChar);

// Converts `in` from code page `from` to code page `to`. On success `out` holds the result;
// on failure false and `out` is unchanged. `in` may view `out`.
AFX_EXT_API bool ConvertCodePage(UINT from, UINT to, std::string_view in, std::string& out);
// Process code page to UTF-8 and back, as ConvertCodePage.
AFX_EXT_API bool AnsiToUtf8(std::string_view in, std::string& out);
AFX_EXT_API bool Utf8ToAnsi(std::string_view in, std::string& out);
// Wide text to the process code page, as ConvertCodePage.
AFX_EXT_API bool WideToAnsi(std::wstring_view in, std::string& out);
