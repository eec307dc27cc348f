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

// A button is known by its window class: a window made through a plain CWnd is still reached as
// a CButton, and its own object keeps receiving its messages; a window of another class is none.
TEST(CButtonFromHandle, AButtonWindowIsAButtonWhateverItsObject) {
  CWnd dialog, plain, other;
  ASSERT_TRUE(dialog.Create(nullptr, "Dialog", WS_VISIBLE, RECT{0, 0, 100, 100}, nullptr, 0));
  ASSERT_TRUE(plain.Create("BUTTON", "Alarm", WS_CHILD | BS_AUTOCHECKBOX, RECT{0, 0, 40, 10}, &dialog, 1));
  ASSERT_TRUE(other.Create("STATIC", "Label", WS_CHILD, RECT{0, 20, 40, 30}, &dialog, 2));
  CButton* button = CButton::FromHandleAsButton(plain.m_hWnd);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->m_hWnd, plain.m_hWnd);
  button->SetCheck(BST_CHECKED);
  EXPECT_EQ(plain.SendMessage(BM_GETCHECK), BST_CHECKED);
  EXPECT_EQ(CWnd::FromHandle(plain.m_hWnd), &plain);
  EXPECT_EQ(CButton::FromHandleAsButton(other.m_hWnd), nullptr);
  EXPECT_EQ(CButton::FromHandleAsButton(nullptr), nullptr);
}

}  // namespace
