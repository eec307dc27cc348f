#pragma once

// The Win32 scalar types that the module's interfaces are written with, at their Win32 widths.
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef long LONG;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef LPCSTR LPCTSTR;
typedef wchar_t WCHAR;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef BOOL* LPBOOL;
typedef DWORD LCID;
typedef double DATE;
typedef std::intptr_t INT_PTR;
typedef void* LPVOID;

// A loaded module (a program or a shared library), as LoadLibraryA returns it. Opaque: only the
// library functions of the platform look inside (platform/LibraryLoader.h).
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// The user's default locale, as Win32 numbers it.
#define LANG_USER_DEFAULT 0x0400
