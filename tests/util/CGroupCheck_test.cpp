#include "util/CGroupCheck.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/afxwin.h"

namespace {

constexpr UINT kCheckId = 10;
constexpr UINT kGroupboxId = 20;
constexpr UINT kInside = 21, kPartlyOver = 22, kTouchingRight = 23, kTouchingBottom = 24, kFarAway = 25;

// A dialog at (100, 50) on the screen: the check box, then a group box at (20, 40)-(220, 160) in
// the dialog with controls in, over, beside and away from it. It counts the check box's clicks.
class GroupDialog : public CWnd {
 public:
  GroupDialog() {
    Create(nullptr, "Monitoring", WS_VISIBLE, RECT{100, 50, 500, 350}, nullptr, 0);
    m_check.Create("Fetal ECG", WS_CHILD | WS_VISIBLE | BS_AUTO3STATE, RECT{0, 0, 10, 10}, this, kCheckId);
    m_check.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    Add(kGroupboxId, RECT{20, 40, 220, 160}, BS_GROUPBOX, "Fetal channels");
    Add(kInside, RECT{30, 60, 90, 80});
    Add(kPartlyOver, RECT{200, 150, 260, 180});
    Add(kTouchingRight, RECT{220, 60, 260, 80});
    Add(kTouchingBottom, RECT{30, 160, 90, 180});
    Add(kFarAway, RECT{300, 200, 350, 220});
  }

  HWND Item(UINT id) const { return ::GetDlgItem(m_hWnd, static_cast<int>(id)); }

  CGroupCheck m_check;
  int m_clicks = 0;

 protected:
  void OnCheckClicked() { ++m_clicks; }
  DECLARE_MESSAGE_MAP()

 private:
  void Add(UINT id, const RECT& rect, DWORD style = BS_AUTOCHECKBOX, const char* text = "control") {
    m_controls.push_back(std::make_unique<CButton>());
    m_controls.back()->Create(text, WS_CHILD | WS_VISIBLE | style, rect, this, id);
  }

  std::vector<std::unique_ptr<CButton>> m_controls;
};

BEGIN_MESSAGE_MAP(GroupDialog, CWnd)
ON_BN_CLICKED(kCheckId, OnCheckClicked)
END_MESSAGE_MAP()

struct Flags {
  bool enabled;
  bool visible;
};

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
  for (const UINT id : {kInside, kPartlyOver}) {
    const Flags flags = FlagsOf(dialog.Item(id));
    EXPECT_EQ(flags.enabled, c.groupControls.enabled) << how << ", control " << id;
    EXPECT_EQ(flags.visible, c.groupControls.visible) << how << ", control " << id;
  }
  // Controls that only touch the group box or lie away from it, and the check box itself, are
  // never touched.
  for (const UINT id : {kTouchingRight, kTouchingBottom, kFarAway, kCheckId}) {
    const Flags flags = FlagsOf(dialog.Item(id));
    EXPECT_TRUE(flags.enabled && flags.visible) << how << ", control " << id;
  }
  EXPECT_EQ(FlagsOf(dialog.Item(kGroupboxId)).visible, c.groupboxVisible) << how << ", group box";
}

TEST(CGroupCheckGroup, EachStateEnablesAndShowsTheOverlappingControls) {
  for (const GroupCase& c : kGroupCases) {
    GroupDialog dialog;
    dialog.m_check.SetGroupbox(kGroupboxId, c.hide);
    dialog.m_check.SetCheck(c.state);
    ExpectGroup(dialog, c, c.hide ? "SetCheck, hiding" : "SetCheck");
  }
}

TEST(CGroupCheckGroup, ClicksApplyTheNewStateAndStillReachTheParent) {
  GroupDialog dialog;
  dialog.m_check.SetGroupbox(kGroupboxId, 1);
  ExpectGroup(dialog, kGroupCases[3], "named, unchecked");
  // An automatic three-state box steps unchecked, checked, indeterminate, unchecked.
  const GroupCase* steps[] = {&kGroupCases[4], &kGroupCases[5], &kGroupCases[3]};
  for (const GroupCase* step : steps) {
    dialog.m_check.SendMessage(BM_CLICK);
    ASSERT_EQ(dialog.m_check.GetCheck(), step->state);
    ExpectGroup(dialog, *step, "click");
  }
  EXPECT_EQ(dialog.m_clicks, 3);
}

TEST(CGroupCheckPlacement, TakesTheGroupboxCaptionsPlace) {
  GroupDialog dialog;
  dialog.m_check.SetGroupbox(kGroupboxId, 0);
  CString caption;
  CWnd::FromHandle(dialog.Item(kGroupboxId))->GetWindowText(caption);
  EXPECT_EQ(caption, "");
  // "Fetal ECG" is 9 bytes of the 6 x 13 font: 54 wide, plus 25; at the group box's top edge,
  // 10 in from its left edge: (120 + 10, 50 + 40) on the screen.
  RECT rect{};
  dialog.m_check.GetWindowRect(&rect);
  EXPECT_EQ(rect.left, 130);
  EXPECT_EQ(rect.top, 90);
  EXPECT_EQ(rect.right - rect.left, 79);
  EXPECT_EQ(rect.bottom - rect.top, 13);
  // Right after the group box among the dialog's children.
  EXPECT_EQ(::GetWindow(dialog.Item(kGroupboxId), GW_HWNDNEXT), dialog.m_check.m_hWnd);
  EXPECT_EQ(::GetWindow(dialog.m_hWnd, GW_CHILD), dialog.Item(kGroupboxId));
}

TEST(CGroupCheckPlacement, DoesNothingUntilAGroupboxIsNamed) {
  GroupDialog dialog;
  dialog.m_check.SetCheck(BST_UNCHECKED);
  dialog.m_check.SendMessage(BM_CLICK);
  dialog.m_check.SetGroupbox(99, 1);  // no such child
  dialog.m_check.SetGroupbox(nullptr, 1);
  dialog.m_check.SetCheck(BST_UNCHECKED);
  for (const UINT id : {kInside, kPartlyOver, kGroupboxId}) {
    const Flags flags = FlagsOf(dialog.Item(id));
    EXPECT_TRUE(flags.enabled && flags.visible) << id;
  }
  RECT rect{};
  dialog.m_check.GetWindowRect(&rect);
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(dialog.m_clicks, 1);
}

}  // namespace
