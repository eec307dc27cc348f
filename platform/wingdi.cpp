// The device contexts and stock fonts of the window model (declared in winuser.h).
#include <unordered_map>

#include "platform/winuser.h"

namespace {

struct FontMetrics {
  LONG cellWidth;
  LONG height;
};

// The fonts of the model; their handles are the addresses of these objects.
HFONT__ g_systemFont{};
HFONT__ g_guiFont{};

const FontMetrics* MetricsOf(HGDIOBJ font) {
  static const FontMetrics system{8, 16};
  static const FontMetrics gui{6, 13};
  if (font == &g_systemFont) return &system;
  if (font == &g_guiFont) return &gui;
  return nullptr;
}

std::unordered_map<HDC, HFONT>& LiveContexts() {
  static std::unordered_map<HDC, HFONT> contexts;  // each context's selected font
  return contexts;
}

HDC NextContextHandle() {
  static DWORD_PTR next = 0x20000;
  next += 2;
  return reinterpret_cast<HDC>(next);
}

}  // namespace

HDC GetDC(HWND hWnd) {
  if (!IsWindow(hWnd)) return nullptr;
  const HDC hdc = NextContextHandle();
  LiveContexts().emplace(hdc, &g_systemFont);
  return hdc;
}

int ReleaseDC(HWND, HDC hdc) { return LiveContexts().erase(hdc) != 0 ? 1 : 0; }

HGDIOBJ GetStockObject(int index) {
  if (index == SYSTEM_FONT) return &g_systemFont;
  if (index == DEFAULT_GUI_FONT) return &g_guiFont;
  return nullptr;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  const auto context = LiveContexts().find(hdc);
  if (context == LiveContexts().end() || MetricsOf(object) == nullptr) return nullptr;
  const HFONT previous = context->second;
  context->second = static_cast<HFONT>(object);
  return previous;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size) {
  const auto context = LiveContexts().find(hdc);
  if (context == LiveContexts().end() || count < 0 || size == nullptr || (text == nullptr && count > 0)) return FALSE;
  const FontMetrics* metrics = MetricsOf(context->second);
  *size = {count * metrics->cellWidth, metrics->height};
  return TRUE;
}
