#pragma once

// Every platform stand-in at once, as a Windows source includes <afx.h>.
#include "platform/AfxExport.h"
#include "platform/windef.h"
#include "platform/CString.h"
#include "platform/COleDateTime.h"
#include "platform/CodePage.h"
