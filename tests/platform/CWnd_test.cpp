#include "platform/CWnd.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/afxwin.h"

namespace {

constexpr UINT kClickedId = 7;

// A dialog's stand-in: a top-level window at (100, 50) on the screen that counts the clicks of
// its child kClickedId through its message map.
class TestDialog : public CWnd {
 public:
  TestDialog() { Create(nullptr, "Dialog", WS_VISIBLE, RECT{100, 50, 500, 350}, nullptr, 0); }

  CButton& AddButton(UINT id, const RECT& rect, DWORD style = BS_AUTOCHECKBOX) {
    m_children.push_back(std::make_unique<CButton>());
    m_children.back()->Create("Child", WS_CHILD | WS_VISIBLE | style, rect, this, id);
    return *m_children.back();
  }

  // The control ids of the children, in the order GetWindow walks them.
  std::vector<int> ChildOrder() const {
    std::vector<int> ids;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
      ids.push_back(::GetDlgCtrlID(child));
    return ids;
  }

  int m_clicks = 0;

 protected:
  void OnChildClicked() { ++m_clicks; }
  DECLARE_MESSAGE_MAP()

 private:
  std::vector<std::unique_ptr<CButton>> m_children;
};

BEGIN_MESSAGE_MAP(TestDialog, CWnd)
ON_BN_CLICKED(kClickedId, OnChildClicked)
END_MESSAGE_MAP()

// A check box that sees its own click reflected back and decides whether the parent sees it.
class ReflectingButton : public CButton {
 public:
  BOOL m_keepFromParent = FALSE;
  int m_reflected = 0;

 protected:
  BOOL OnReflectedClick() {
    ++m_reflected;
    return m_keepFromParent;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingButton, CButton)
ON_CONTROL_REFLECT_EX(BN_CLICKED, OnReflectedClick)
END_MESSAGE_MAP()

void ExpectRect(const RECT& actual, const RECT& expected, const char* what) {
  EXPECT_EQ(actual.left, expected.left) << what;
  EXPECT_EQ(actual.top, expected.top) << what;
  EXPECT_EQ(actual.right, expected.right) << what;
  EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

TEST(CWndTree, SiblingsWalkInCreationOrderAndSetWindowPosReordersThem) {
  TestDialog dialog;
  for (UINT id : {1, 2, 3, 4}) dialog.AddButton(id, RECT{0, 0, 10, 10});
  EXPECT_EQ(dialog.ChildOrder(), (std::vector<int>{1, 2, 3, 4}));

  const HWND first = ::GetDlgItem(dialog.m_hWnd, 1);
  const HWND third = ::GetDlgItem(dialog.m_hWnd, 3);
  struct Move {
    HWND insertAfter;
    std::vector<int> order;
  };
  const Move moves[] = {
      {third, {2, 3, 1, 4}},
      {HWND_BOTTOM, {2, 3, 4, 1}},
      {HWND_TOP, {1, 2, 3, 4}},
      {::GetDlgItem(dialog.m_hWnd, 4), {2, 3, 4, 1}},
      {first, {2, 3, 4, 1}},  // after itself: stays
  };
  for (const Move& move : moves) {
    EXPECT_TRUE(::SetWindowPos(first, move.insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(dialog.ChildOrder(), move.order);
  }
  // A window that is not a sibling is refused and nothing moves.
  EXPECT_FALSE(::SetWindowPos(first, dialog.m_hWnd, 5, 5, 1, 1, 0));
  EXPECT_EQ(dialog.ChildOrder(), (std::vector<int>{2, 3, 4, 1}));
  RECT rect{};
  ::GetWindowRect(first, &rect);
  ExpectRect(rect, RECT{100, 50, 110, 60}, "refused move");
  EXPECT_EQ(::GetWindow(first, GW_HWNDFIRST), ::GetDlgItem(dialog.m_hWnd, 2));
  EXPECT_EQ(::GetWindow(first, GW_HWNDPREV), ::GetDlgItem(dialog.m_hWnd, 4));
  EXPECT_EQ(::GetParent(first), dialog.m_hWnd);
  EXPECT_EQ(::GetParent(dialog.m_hWnd), nullptr);
}

TEST(CWndGeometry, ChildRectanglesAreKeptInTheParentsClientCoordinates) {
  TestDialog dialog;
  CButton& box = dialog.AddButton(1, RECT{10, 20, 110, 60}, BS_GROUPBOX);
  CButton inner;
  ASSERT_TRUE(inner.Create("inner", WS_CHILD | WS_VISIBLE, RECT{5, 5, 15, 25}, &box, 2));

  RECT rect{};
  box.GetWindowRect(&rect);
  ExpectRect(rect, RECT{110, 70, 210, 110}, "child on screen");
  inner.GetWindowRect(&rect);
  ExpectRect(rect, RECT{115, 75, 125, 95}, "grandchild on screen");
  dialog.ScreenToClient(&rect);
  ExpectRect(rect, RECT{15, 25, 25, 45}, "grandchild in the dialog");
  inner.GetClientRect(&rect);
  ExpectRect(rect, RECT{0, 0, 10, 20}, "client area");

  // Moving the parent moves what lies on it.
  dialog.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  inner.GetWindowRect(&rect);
  ExpectRect(rect, RECT{15, 25, 25, 45}, "after the dialog moved");
  box.SetWindowPos(nullptr, 1, 2, 30, 40, SWP_NOZORDER);
  box.GetWindowRect(&rect);
  ExpectRect(rect, RECT{1, 2, 31, 42}, "moved and sized");
}

TEST(CWndGeometry, IntersectRectCountsOverlapNotSharedEdges) {
  const RECT box{10, 10, 50, 50};
  struct Case {
    const char* what;
    RECT other;
    BOOL overlaps;
    RECT overlap;
  };
  const Case cases[] = {
      {"inside", {20, 20, 30, 30}, TRUE, {20, 20, 30, 30}},
      {"partly over the right edge", {40, 0, 60, 20}, TRUE, {40, 10, 50, 20}},
      {"touching the right edge", {50, 10, 60, 50}, FALSE, {0, 0, 0, 0}},
      {"touching the bottom edge", {10, 50, 50, 60}, FALSE, {0, 0, 0, 0}},
      {"apart", {100, 100, 120, 120}, FALSE, {0, 0, 0, 0}},
      {"empty, inside", {20, 20, 20, 30}, FALSE, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    RECT overlap{-1, -1, -1, -1};
    EXPECT_EQ(::IntersectRect(&overlap, &box, &c.other), c.overlaps) << c.what;
    ExpectRect(overlap, c.overlap, c.what);
  }
  EXPECT_FALSE(::IntersectRect(nullptr, &box, &box));
}

TEST(CWndFlags, EnableAndShowReportThePreviousStateAndVisibilityNeedsTheAncestors) {
  TestDialog dialog;
  CButton& child = dialog.AddButton(1, RECT{0, 0, 10, 10});
  EXPECT_FALSE(child.EnableWindow(FALSE));  // was enabled
  EXPECT_FALSE(child.IsWindowEnabled());
  EXPECT_TRUE(child.EnableWindow(TRUE));  // was disabled
  EXPECT_TRUE(child.IsWindowEnabled());

  EXPECT_TRUE(child.ShowWindow(SW_HIDE));  // was visible
  EXPECT_FALSE(child.IsWindowVisible());
  EXPECT_FALSE(child.ShowWindow(SW_SHOW));
  dialog.ShowWindow(SW_HIDE);
  EXPECT_FALSE(child.IsWindowVisible());
  EXPECT_NE(::GetWindowLongPtrA(child.m_hWnd, GWL_STYLE) & WS_VISIBLE, 0);
}

TEST(CWndMessageMap, ReflectedClickReachesTheParentOnlyWhenTheHandlerReturnsZero) {
  for (const BOOL keepFromParent : {FALSE, TRUE}) {
    TestDialog dialog;
    ReflectingButton button;
    ASSERT_TRUE(button.Create("Monitor", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, RECT{0, 0, 50, 10}, &dialog, kClickedId));
    button.m_keepFromParent = keepFromParent;
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(button.m_reflected, 1);
    EXPECT_EQ(dialog.m_clicks, keepFromParent ? 0 : 1);
    EXPECT_EQ(button.GetCheck(), BST_CHECKED);  // the button's own behaviour still runs
  }
}

TEST(CWndMessageMap, AWindowTakenOverByIdRoutesThroughItsObject) {
  TestDialog dialog;
  dialog.AddButton(kClickedId, RECT{0, 0, 10, 10});
  ReflectingButton late;
  EXPECT_FALSE(late.SubclassDlgItem(kClickedId, &dialog));  // already has an object
  EXPECT_FALSE(late.SubclassDlgItem(99, &dialog));          // no such child
  CButton plain;
  ASSERT_TRUE(plain.Create("x", WS_CHILD, RECT{}, &dialog, 8));
  const HWND hWnd = plain.UnsubclassWindow();
  // Without an object of its own, the window gets a temporary one of its class.
  EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
  EXPECT_NE(dynamic_cast<CButton*>(CWnd::FromHandle(hWnd)), nullptr);
  ASSERT_TRUE(late.SubclassWindow(hWnd));
  EXPECT_EQ(CWnd::FromHandle(hWnd), &late);
  ::SendMessageA(hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(late.m_reflected, 1);
}

TEST(CWndLifetime, DestroyedWindowsLeaveTheirObjectsAndHandlesInert) {
  auto dialog = std::make_unique<TestDialog>();
  CButton& child = dialog->AddButton(1, RECT{0, 0, 10, 10});
  CButton orphan;
  ASSERT_TRUE(orphan.Create("orphan", WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, dialog.get(), 2));
  const HWND childHandle = child.m_hWnd;
  const HWND orphanHandle = orphan.m_hWnd;
  EXPECT_TRUE(dialog->DestroyWindow());
  EXPECT_EQ(orphan.m_hWnd, nullptr);
  EXPECT_EQ(child.m_hWnd, nullptr);
  for (const HWND gone : {childHandle, orphanHandle}) {
    RECT rect{};
    EXPECT_FALSE(::IsWindow(gone));
    EXPECT_FALSE(::GetWindowRect(gone, &rect));
    EXPECT_FALSE(::DestroyWindow(gone));
    EXPECT_EQ(::SendMessageA(gone, BM_GETCHECK, 0, 0), 0);
    EXPECT_EQ(CWnd::FromHandle(gone), nullptr);
    EXPECT_EQ(::GetDC(gone), nullptr);
  }
  EXPECT_FALSE(orphan.Create("again", WS_CHILD, RECT{}, dialog.get(), 3));  // the parent is gone
  dialog.reset();
}

TEST(CWndText, TextAndExtentsUseTheWindowsFontWithFixedMetrics) {
  TestDialog dialog;
  CButton& child = dialog.AddButton(1, RECT{0, 0, 10, 10});
  child.SetWindowText("Fetal ECG");
  CString text;
  child.GetWindowText(text);
  EXPECT_EQ(text, "Fetal ECG");
  char small[6];
  EXPECT_EQ(::GetWindowTextA(child.m_hWnd, small, sizeof small), 5);
  EXPECT_STREQ(small, "Fetal");

  const HDC dc = ::GetDC(child.m_hWnd);
  SIZE size{};
  ASSERT_TRUE(::GetTextExtentPoint32A(dc, "Fetal ECG", 9, &size));
  EXPECT_EQ(size.cx, 72);  // the system font: 8 pixels a byte, 16 high
  EXPECT_EQ(size.cy, 16);
  EXPECT_EQ(::SelectObject(dc, ::GetStockObject(DEFAULT_GUI_FONT)), ::GetStockObject(SYSTEM_FONT));
  ASSERT_TRUE(::GetTextExtentPoint32A(dc, "Fetal ECG", 9, &size));
  EXPECT_EQ(size.cx, 54);  // the GUI font: 6 a byte, 13 high
  EXPECT_EQ(size.cy, 13);
  EXPECT_FALSE(::GetTextExtentPoint32A(dc, "x", -1, &size));
  EXPECT_EQ(::SelectObject(dc, nullptr), nullptr);
  EXPECT_EQ(::ReleaseDC(child.m_hWnd, dc), 1);
  EXPECT_FALSE(::GetTextExtentPoint32A(dc, "x", 1, &size));  // released
}

}  // namespace
