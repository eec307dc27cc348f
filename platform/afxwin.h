#pragma once

// The window model at once, as a Windows source includes <afxwin.h>: the Win32 window, GDI and
// list-view functions, the message map, and MFC's CWnd, CButton and CListCtrl.
#include "platform/afx.h"
#include "platform/winuser.h"
#include "platform/commctrl.h"
#include "platform/AfxMessageMap.h"
#include "platform/CWnd.h"
#include "platform/CButton.h"
#include "platform/CListCtrl.h"
