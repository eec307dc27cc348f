#pragma once

// Loading string resources, as Win32's LoadStringA and MFC's CString::LoadString do. Texts are
// kept as Unicode (UTF-8) in the modules and converted to the process code page when loaded.
//
// A text that the process code page cannot hold (Chinese under 1252, say) is not loaded from
// that module: LoadStringA fails, and CString::LoadString goes on down the resource search, so
// that the station shows the next module's text (the module's English one) instead of a
// mangled one.
#include "platform/AfxExport.h"
#include "platform/windef.h"

// Copies the text of string `id` in `module` (that module alone), converted to the process code
// page, into `buffer` of `size` bytes with a terminating zero, and returns the bytes copied
// without the zero. A longer text is cut after the last whole character that fits. 0, with
// `buffer` untouched, when the module has no such text, the code page cannot hold it, or
// `size` < 1.
AFX_EXT_API int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size);
