#include "platform/CWnd.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/afxwin.h"

namespace {

constexpr UINT kClickedId = 7;

// A dialog's stand-in: a top-level window at (100, 50) on the screen with four check boxes, ids 1-4,
// that counts the clicks of its child kClickedId through its message map.
class TestDialog : public CWnd {
 public:
  TestDialog() {
    Create(nullptr, "Dialog", WS_VISIBLE, RECT{100, 50, 500, 350}, nullptr, 0);
    for (UINT id : {1, 2, 3, 4}) m_children[id - 1].Create("Child", WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, this, id);
  }

  // The control ids of the children, in the order GetWindow walks them.
  std::vector<int> ChildOrder() const {
    std::vector<int> ids;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
      ids.push_back(::GetDlgCtrlID(child));
    return ids;
  }

  CButton m_children[4];
  int m_clicks = 0;

 protected:
  void OnChildClicked() { ++m_clicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CWnd)
ON_BN_CLICKED(kClickedId, OnChildClicked)
END_MESSAGE_MAP()

TEST(CWndTree, SetWindowPosReordersTheSiblings) {
  TestDialog dialog;
  const HWND first = dialog.m_children[0].m_hWnd;
  const struct { HWND insertAfter; std::vector<int> order; } moves[] = {
      {dialog.m_children[2].m_hWnd, {2, 3, 1, 4}}, {HWND_BOTTOM, {2, 3, 4, 1}}, {HWND_TOP, {1, 2, 3, 4}},
      {dialog.m_children[3].m_hWnd, {2, 3, 4, 1}}, {first, {2, 3, 4, 1}},  // after itself: stays
  };
  for (const auto& move : moves) {
    EXPECT_TRUE(::SetWindowPos(first, move.insertAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE));
    EXPECT_EQ(dialog.ChildOrder(), move.order);
  }
  EXPECT_FALSE(::SetWindowPos(first, dialog.m_hWnd, 5, 5, 1, 1, 0)) << "not a sibling";
}

// A window shows only while it and every window above it are visible; hiding a parent keeps
// the child's own flag.
TEST(CWndTree, VisibleOnlyWhileEveryAncestorIsVisible) {
  TestDialog dialog;
  CWnd grandchild;
  ASSERT_TRUE(grandchild.Create(nullptr, "Inner", WS_CHILD | WS_VISIBLE, RECT{0, 0, 5, 5}, &dialog.m_children[0], 9));
  const auto visible = [&] {
    return std::vector<bool>{::IsWindowVisible(dialog.m_hWnd) != 0, ::IsWindowVisible(dialog.m_children[0].m_hWnd) != 0,
                             ::IsWindowVisible(grandchild.m_hWnd) != 0};
  };
  EXPECT_EQ(visible(), (std::vector<bool>{true, true, true}));
  dialog.m_children[0].ShowWindow(SW_HIDE);
  EXPECT_EQ(visible(), (std::vector<bool>{true, false, false}));
  dialog.m_children[0].ShowWindow(SW_SHOW);
  dialog.ShowWindow(SW_HIDE);
  EXPECT_EQ(visible(), (std::vector<bool>{false, false, false}));
  dialog.ShowWindow(SW_SHOW);
  EXPECT_EQ(visible(), (std::vector<bool>{true, true, true}));
}

// Only an overlap counts: rectangles that share an edge, and an empty one, do not intersect.
TEST(CWndGeometry, IntersectRectCountsOverlapNotSharedEdges) {
  const RECT box{10, 10, 50, 50};
  const std::pair<RECT, BOOL> cases[] = {
      {{20, 20, 30, 30}, TRUE}, {{40, 0, 60, 20}, TRUE}, {{50, 10, 60, 50}, FALSE}, {{10, 50, 50, 60}, FALSE},
      {{0, 0, 10, 50}, FALSE},  {{20, 20, 20, 30}, FALSE},
  };
  for (const auto& [other, overlaps] : cases) {
    RECT overlap{};
    EXPECT_EQ(::IntersectRect(&overlap, &box, &other), overlaps) << other.left << ',' << other.top;
  }
  RECT overlap{};
  ::IntersectRect(&overlap, &box, &cases[1].first);
  EXPECT_TRUE(overlap.left == 40 && overlap.top == 10 && overlap.right == 50 && overlap.bottom == 20);
}

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

}  // namespace
