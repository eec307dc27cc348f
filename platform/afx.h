#pragma once

// Every platform stand-in at once, as a Windows source includes <afx.h>.
#include "platform/AfxExport.h"
#include "platform/windef.h"
#include "platform/CString.h"
#include "platform/COleDateTime.h"
#include "platform/CodePage.h"
#include "platform/LibraryLoader.h"
#include "platform/StringResource.h"
#include "platform/AfxModuleState.h"
#include "platform/AfxExtensionModule.h"
#include "platform/CDynLinkLibrary.h"
#include "platform/AfxMessageBox.h"
#include "platform/_variant_t.h"
#include "platform/AdoEnums.h"
#include "platform/CStringArray.h"
#include "platform/Profile.h"
