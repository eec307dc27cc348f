#pragma once

#include "platform/AfxExport.h"
#include "platform/windef.h"

// Message box styles and results, Win32's values.
#define MB_OK 0x00000000L
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONWARNING 0x00000030L
#define MB_ICONINFORMATION 0x00000040L
#define IDOK 1

// What shows a message box: the text and the style; returns the button pressed (IDOK).
typedef int (*AFX_MESSAGE_BOX_HANDLER)(const char* text, UINT type);

// Shows `text` through the current handler and returns its result. The station has no
// windows here, so the host decides what "showing" means by installing a handler; the
// default writes "<program>: <text>" as one line to standard error and returns IDOK.
AFX_EXT_API int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);

// Installs `handler` (null restores the default) and returns the one it replaces. The
// handler is process-wide and may be changed from any thread.
AFX_EXT_API AFX_MESSAGE_BOX_HANDLER AfxSetMessageBoxHandler(AFX_MESSAGE_BOX_HANDLER handler);
