#include "platform/CButton.h"

#include <gtest/gtest.h>

namespace {

struct ButtonKind {
  const char* what;
  DWORD style;
  int highestState;              // what BM_SETCHECK 2 leaves
  int afterClicks[3];            // the state after one, two and three clicks from unchecked
};

// Windows' button rules: each kind holds the states its style allows, and only the automatic
// kinds step their own state on a click.
constexpr ButtonKind kKinds[] = {
    {"check box", BS_CHECKBOX, BST_CHECKED, {0, 0, 0}},
    {"automatic check box", BS_AUTOCHECKBOX, BST_CHECKED, {1, 0, 1}},
    {"automatic three-state box", BS_AUTO3STATE, BST_INDETERMINATE, {1, 2, 0}},
    {"group box", BS_GROUPBOX, BST_UNCHECKED, {0, 0, 0}},
};

TEST(CButtonCheck, EachKindHoldsTheStatesItsStyleAllowsAndStepsOnClicks) {
  CWnd dialog;
  ASSERT_TRUE(dialog.Create(nullptr, "Dialog", WS_VISIBLE, RECT{0, 0, 100, 100}, nullptr, 0));
  for (const ButtonKind& kind : kKinds) {
    CButton button;
    ASSERT_TRUE(button.Create("Alarm", WS_CHILD | WS_VISIBLE | kind.style, RECT{0, 0, 40, 10}, &dialog, 1));
    button.SetCheck(BST_INDETERMINATE);
    EXPECT_EQ(button.GetCheck(), kind.highestState) << kind.what;
    button.SetCheck(BST_UNCHECKED);
    for (int click = 0; click < 3; ++click) {
      button.SendMessage(BM_CLICK);
      EXPECT_EQ(button.GetCheck(), kind.afterClicks[click]) << kind.what << ", click " << click + 1;
    }
  }
}

}  // namespace
