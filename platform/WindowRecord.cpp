#include "platform/WindowRecord.h"

#include <algorithm>
#include <memory>
#include <strings.h>
#include <unordered_map>

#include "platform/commctrl.h"

namespace {

using Registry = std::unordered_map<HWND, std::unique_ptr<WindowRecord>>;

Registry& LiveWindows() {
  static Registry windows;
  return windows;
}

// Handles are even numbers well clear of the special HWND_* values, and are never reused, so a
// stale handle can never reach a newer window.
HWND NextHandle() {
  static DWORD_PTR next = 0x10000;
  next += 2;
  return reinterpret_cast<HWND>(next);
}

WNDPROC ClassProcedure(LPCSTR className) {
  if (className != nullptr && strcasecmp(className, "BUTTON") == 0) return ButtonWindowProc;
  if (className != nullptr && strcasecmp(className, WC_LISTVIEWA) == 0) return ListViewWindowProc;
  return DefWindowProcA;
}

}  // namespace

HWND WindowRecord::Create(LPCSTR className, LPCSTR text, DWORD style, const RECT& rect, HWND parent, UINT id) {
  WindowRecord* parentRecord = nullptr;
  if (parent != nullptr && (parentRecord = Find(parent)) == nullptr) return nullptr;
  auto record = std::make_unique<WindowRecord>();
  record->m_handle = NextHandle();
  record->m_parent = parent;
  record->m_className = className;
  record->m_proc = ClassProcedure(className);
  record->m_style = style;
  record->m_id = id;
  record->m_text = text;
  record->m_rect = rect;
  const HWND handle = record->m_handle;
  if (parentRecord != nullptr) parentRecord->m_children.push_back(handle);
  LiveWindows().emplace(handle, std::move(record));
  return handle;
}

WindowRecord* WindowRecord::Find(HWND hWnd) {
  const auto found = LiveWindows().find(hWnd);
  return found == LiveWindows().end() ? nullptr : found->second.get();
}

void WindowRecord::Remove(HWND hWnd) {
  WindowRecord* record = Find(hWnd);
  if (record == nullptr) return;
  for (const HWND child : std::vector<HWND>(record->m_children)) Remove(child);
  if (WindowRecord* parent = Find(record->m_parent)) std::erase(parent->m_children, hWnd);
  LiveWindows().erase(hWnd);
}

int CopyTextOut(const CString& text, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const int copied = std::min(text.GetLength(), size - 1);
  std::copy_n(text.GetString(), copied, buffer);
  buffer[copied] = '\0';
  return copied;
}
