#include "platform/AfxMessageBox.h"

#include <errno.h>  // program_invocation_short_name

#include <atomic>
#include <cstdio>

namespace {

int WriteToStandardError(const char* text, UINT /*type*/) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text ? text : "");
  return IDOK;
}

std::atomic<AFX_MESSAGE_BOX_HANDLER> g_handler{&WriteToStandardError};

}  // namespace

int AfxMessageBox(const char* text, UINT type, UINT /*helpId*/) {
  return g_handler.load()(text ? text : "", type);
}

AFX_MESSAGE_BOX_HANDLER AfxSetMessageBoxHandler(AFX_MESSAGE_BOX_HANDLER handler) {
  return g_handler.exchange(handler ? handler : &WriteToStandardError);
}
