#include "util/CGroupCheck.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/afxwin.h"

namespace {

constexpr UINT kCheckId = 10, kGroupboxId = 20;
constexpr UINT kInside = 21, kPartlyOver = 22, kTouchingRight = 23, kTouchingBottom = 24, kFarAway = 25;

// A dialog at (100, 50) on the screen: the check box, then a group box at (20, 40)-(220, 160) in
// the dialog with controls in, over, beside and away from it. It counts the check box's clicks.
// The group box's object is a CButton, or, as dialogs often have it, a plain CWnd.
class GroupDialog : public CWnd {
 public:
  explicit GroupDialog(bool plainGroupbox = false) {
    Create(nullptr, "Monitoring", WS_VISIBLE, RECT{100, 50, 500, 350}, nullptr, 0);
    m_check.Create("Fetal ECG", WS_CHILD | WS_VISIBLE | BS_AUTO3STATE, RECT{0, 0, 10, 10}, this, kCheckId);
    m_check.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    const std::pair<UINT, RECT> controls[] = {
        {kGroupboxId, {20, 40, 220, 160}},  {kInside, {30, 60, 90, 80}},         {kPartlyOver, {200, 150, 260, 180}},
        {kTouchingRight, {220, 60, 260, 80}}, {kTouchingBottom, {30, 160, 90, 180}}, {kFarAway, {300, 200, 350, 220}},
    };
    for (int i = 0; i < 6; ++i) {
      const DWORD style = WS_CHILD | WS_VISIBLE | (i == 0 ? BS_GROUPBOX : BS_AUTOCHECKBOX);
      if (i == 0 && plainGroupbox)
        m_plainGroupbox.Create("BUTTON", "control", style, controls[i].second, this, controls[i].first);
      else
        m_controls[i].Create("control", style, controls[i].second, this, controls[i].first);
    }
  }

  HWND Item(UINT id) const { return ::GetDlgItem(m_hWnd, static_cast<int>(id)); }

  CGroupCheck m_check;
  CButton m_controls[6];
  CWnd m_plainGroupbox;
  int m_clicks = 0;

 protected:
  void OnCheckClicked() { ++m_clicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(GroupDialog, CWnd)
ON_BN_CLICKED(kCheckId, OnCheckClicked)
END_MESSAGE_MAP()

using Flags = std::pair<bool, bool>;  // enabled, visible

Flags FlagsOf(HWND hWnd) { return {::IsWindowEnabled(hWnd) != 0, ::IsWindowVisible(hWnd) != 0}; }

// What each check state must do to the group, with and without hiding.
struct GroupCase {
  int hide;
  int state;
  Flags groupControls;  // the controls inside and partly over the group box
  bool groupboxVisible;
};

constexpr GroupCase kGroupCases[] = {
    {0, BST_UNCHECKED, {false, true}, true},  {0, BST_CHECKED, {true, true}, true},
    {0, BST_INDETERMINATE, {false, true}, true}, {1, BST_UNCHECKED, {false, false}, false},
    {1, BST_CHECKED, {true, true}, true},     {1, BST_INDETERMINATE, {false, true}, true},
};

void ExpectGroup(const GroupDialog& dialog, const GroupCase& c, const char* how) {
  for (const UINT id : {kInside, kPartlyOver}) EXPECT_EQ(FlagsOf(dialog.Item(id)), c.groupControls) << how << ", " << id;
  // Controls that only touch the group box or lie away from it, and the check box itself, are
  // never touched.
  for (const UINT id : {kTouchingRight, kTouchingBottom, kFarAway, kCheckId})
    EXPECT_EQ(FlagsOf(dialog.Item(id)), Flags(true, true)) << how << ", " << id;
  EXPECT_EQ(FlagsOf(dialog.Item(kGroupboxId)).second, c.groupboxVisible) << how << ", group box";
}

TEST(CGroupCheckGroup, EachStateEnablesAndShowsTheOverlappingControls) {
  for (const bool plainGroupbox : {false, true}) {
    for (const GroupCase& c : kGroupCases) {
      GroupDialog dialog(plainGroupbox);
      dialog.m_check.SetGroupbox(kGroupboxId, c.hide);
      dialog.m_check.SetCheck(c.state);
      ExpectGroup(dialog, c, plainGroupbox ? "plain CWnd group box" : c.hide ? "SetCheck, hiding" : "SetCheck");
    }
  }
}

// An id that names a check box, or nothing, gives no group: the dialog stays as it was.
TEST(CGroupCheckGroup, AnIdThatNamesNoGroupboxChangesNothing) {
  for (const UINT id : {kInside, 99u}) {
    GroupDialog dialog;
    dialog.m_check.SetGroupbox(id, 1);
    dialog.m_check.SetCheck(BST_UNCHECKED);
    for (const UINT control : {kGroupboxId, kInside, kPartlyOver}) EXPECT_EQ(FlagsOf(dialog.Item(control)), Flags(true, true)) << id;
  }
}

// An automatic three-state box steps unchecked, checked, indeterminate, unchecked; each click
// re-applies the state and still reaches the parent.
TEST(CGroupCheckGroup, ClicksApplyTheNewStateAndStillReachTheParent) {
  GroupDialog dialog;
  dialog.m_check.SetGroupbox(kGroupboxId, 1);
  for (const GroupCase* step : {&kGroupCases[4], &kGroupCases[5], &kGroupCases[3]}) {
    dialog.m_check.SendMessage(BM_CLICK);
    ASSERT_EQ(dialog.m_check.GetCheck(), step->state);
    ExpectGroup(dialog, *step, "click");
  }
  EXPECT_EQ(dialog.m_clicks, 3);
}

// "Fetal ECG" is 9 bytes of the 6 x 13 font: 54 wide, plus 25; at the group box's top edge, 10 in
// from its left edge: (120 + 10, 50 + 40) on the screen; right after the group box among siblings.
TEST(CGroupCheckPlacement, TakesTheGroupboxCaptionsPlace) {
  GroupDialog dialog;
  dialog.m_check.SetGroupbox(kGroupboxId, 0);
  CString caption("unchanged");
  CWnd::FromHandle(dialog.Item(kGroupboxId))->GetWindowText(caption);
  EXPECT_EQ(caption, "");
  RECT rect{};
  dialog.m_check.GetWindowRect(&rect);
  EXPECT_EQ(rect.left, 130);
  EXPECT_EQ(rect.top, 90);
  EXPECT_EQ(rect.right - rect.left, 79);
  EXPECT_EQ(rect.bottom - rect.top, 13);
  EXPECT_EQ(::GetWindow(dialog.Item(kGroupboxId), GW_HWNDNEXT), dialog.m_check.m_hWnd);
}

}  // namespace
