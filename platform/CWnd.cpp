#include "platform/CWnd.h"

#include <memory>
#include <unordered_map>

#include "platform/CButton.h"
#include "platform/CListCtrl.h"
#include "platform/WindowRecord.h"
#include "platform/commctrl.h"

namespace {

std::unordered_map<HWND, CWnd*>& PermanentObjects() {
  static std::unordered_map<HWND, CWnd*> objects;
  return objects;
}

// A temporary object never owns its window: it lets go of it before it is deleted.
struct ReleaseTemporary {
  void operator()(CWnd* object) const {
    object->m_hWnd = nullptr;
    delete object;
  }
};
using TemporaryObject = std::unique_ptr<CWnd, ReleaseTemporary>;

std::unordered_map<HWND, TemporaryObject>& TemporaryObjects() {
  static std::unordered_map<HWND, TemporaryObject> objects;
  return objects;
}

// Temporary objects of destroyed windows go when the next one is made: handles are never
// reused, so until then nothing can reach them.
void DropTemporariesOfDestroyedWindows() {
  std::erase_if(TemporaryObjects(), [](const auto& entry) { return !IsWindow(entry.first); });
}

CWnd* NewTemporary(HWND hWnd) {
  char className[32];
  GetClassNameA(hWnd, className, sizeof className);
  const CString name(className);
  if (name.CompareNoCase("BUTTON") == 0) return new CButton;
  if (name.CompareNoCase(WC_LISTVIEWA) == 0) return new CListCtrl;
  return new CWnd;
}

}  // namespace

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* object = CWnd::FromHandlePermanent(hWnd);
  if (object == nullptr) return DefWindowProcA(hWnd, message, wParam, lParam);
  const LRESULT result = object->WindowProc(message, wParam, lParam);
  if (message == WM_NCDESTROY) object->Detach();
  return result;
}

CWnd::~CWnd() { DestroyWindow(); }

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, CCreateContext*) {
  if (m_hWnd != nullptr || (pParentWnd != nullptr && !::IsWindow(pParentWnd->m_hWnd))) return FALSE;
  const HWND parent = pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr;
  return SubclassWindow(WindowRecord::Create(lpszClassName, lpszWindowName, dwStyle, rect, parent, nID));
}

BOOL CWnd::DestroyWindow() { return m_hWnd != nullptr && ::DestroyWindow(m_hWnd); }

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (m_hWnd != nullptr || !::IsWindow(hWnd) || FromHandlePermanent(hWnd) != nullptr) return FALSE;
  m_hWnd = hWnd;
  PermanentObjects()[hWnd] = this;
  m_pfnSuper = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  return pParent != nullptr && SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)));
}

HWND CWnd::UnsubclassWindow() {
  const HWND hWnd = m_hWnd;
  if (hWnd != nullptr) ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  Detach();
  return hWnd;
}

void CWnd::Detach() {
  if (m_hWnd != nullptr) PermanentObjects().erase(m_hWnd);
  m_hWnd = nullptr;
  m_pfnSuper = nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (!::IsWindow(hWnd)) return nullptr;
  if (CWnd* permanent = FromHandlePermanent(hWnd)) return permanent;
  return FromHandleTemporary(hWnd);
}

CWnd* CWnd::FromHandleTemporary(HWND hWnd) {
  if (!::IsWindow(hWnd)) return nullptr;
  auto& temporaries = TemporaryObjects();
  if (const auto found = temporaries.find(hWnd); found != temporaries.end()) return found->second.get();
  DropTemporariesOfDestroyedWindows();
  CWnd* temporary = NewTemporary(hWnd);
  temporary->m_hWnd = hWnd;
  temporaries.emplace(hWnd, TemporaryObject(temporary));
  return temporary;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  const auto found = PermanentObjects().find(hWnd);
  return found == PermanentObjects().end() ? nullptr : found->second;
}

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

CWnd* CWnd::GetWindow(UINT nCmd) const { return FromHandle(::GetWindow(m_hWnd, nCmd)); }

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }

int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

void CWnd::SetWindowText(LPCTSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }

void CWnd::GetWindowText(CString& rString) const {
  std::string text(static_cast<size_t>(GetWindowTextLength()) + 1, '\0');
  const int copied = ::GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()));
  rString = CString(text.data(), copied);
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }

void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

void CWnd::ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }

void CWnd::ScreenToClient(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
  for (POINT& corner : corners) ::ScreenToClient(m_hWnd, &corner);
  *lpRect = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }

void CWnd::ClientToScreen(LPRECT lpRect) const {
  if (lpRect == nullptr) return;
  POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
  for (POINT& corner : corners) ::ClientToScreen(m_hWnd, &corner);
  *lpRect = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }

BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
  return ::SetWindowPos(m_hWnd, pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : HWND_TOP, x, y, cx, cy, nFlags);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcA(m_pfnSuper != nullptr ? m_pfnSuper : DefWindowProcA, m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (message != WM_COMMAND || !OnCommand(wParam, lParam)) return FALSE;
  *pResult = 1;
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const auto control = reinterpret_cast<HWND>(lParam);
  CWnd* child = control != nullptr ? FromHandlePermanent(control) : nullptr;
  if (child != nullptr && child->OnChildNotify(WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
  return DispatchToMessageMap(WM_COMMAND, HIWORD(wParam), LOWORD(wParam));
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM, LRESULT*) {
  return message == WM_COMMAND && DispatchToMessageMap(WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY noEntries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP messageMap = {nullptr, noEntries};
  return &messageMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CWnd::DispatchToMessageMap(UINT message, UINT code, UINT id) {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap != nullptr ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->pfn != nullptr; ++entry) {
      if (entry->nMessage == message && entry->nCode == code && entry->nID <= id && id <= entry->nLastID)
        return entry->pfn(this);
    }
  }
  return FALSE;
}
