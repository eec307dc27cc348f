#pragma once

#include "platform/AfxExport.h"
#include "platform/windef.h"

// The language libraries of the station, by language number: 1 "LANG_BUL.dll", 2 "LANG_CZE.dll",
// 3 English (the module's own texts, no library), 4 "LANG_FRA.dll", 5 "LANG_GER.dll",
// 6 "LANG_ITA.dll", 7 "LANG_POL.dll", 8 "LANG_POR.dll", 9 "LANG_ROM.dll", 10 "LANG_RUS.dll",
// 11 "LANG_SPA.dll", 12 "LANG_TUR.dll", 13 "LANG_KOR.dll", 14 "LANG_CHN.dll".

// The file name of the library of `language`; null for English (3) and numbers outside 1–14.
AFX_EXT_API const char* GetLanguageLibraryName(int language);

// Loads the library of `language` by its bare name (program folder, then the system's search
// path) and makes it the current resource handle, so that it is searched before the module's
// English table. Returns its handle; null when there is no library to load or it cannot be
// loaded, and then nothing changes. The library is never freed by this call's caller at
// start-up; it stays until the process ends.
AFX_EXT_API HMODULE SelectLanguageLibrary(int language);
