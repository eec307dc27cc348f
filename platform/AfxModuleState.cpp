#include "platform/AfxModuleState.h"

namespace {

// Trivially destructible: libraries unregister from it while the process ends, after the
// static destructors have run.
AFX_MODULE_STATE g_moduleState;

}  // namespace

AFX_MODULE_STATE* AfxGetModuleState() { return &g_moduleState; }
