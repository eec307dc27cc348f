#include "platform/CListCtrl.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Answers from a fixed pseudo-random sequence: no order at all.
int CALLBACK Inconsistent(LPARAM, LPARAM, LPARAM state) {
  auto& seed = *reinterpret_cast<unsigned*>(state);
  seed = seed * 1103515245u + 12345u;
  return static_cast<int>((seed >> 16) % 3) - 1;
}

// A comparison that contradicts itself must neither lose nor repeat a row.
TEST(CListCtrlSort, KeepsEveryRowWhateverTheComparisonAnswers) {
  CWnd dialog;
  CListCtrl list;
  ASSERT_TRUE(dialog.Create(nullptr, "Dialog", WS_VISIBLE, RECT{0, 0, 300, 200}, nullptr, 0));
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 300, 200}, &dialog, 1));
  list.InsertColumn(0, "Patient");
  std::multiset<std::string> before, after;
  for (int row = 0; row < 200; ++row) {
    list.InsertItem(row, std::to_string(row).c_str());
    before.insert(std::to_string(row));
  }
  unsigned seed = 7;
  EXPECT_TRUE(list.SortItems(Inconsistent, reinterpret_cast<DWORD_PTR>(&seed)));
  for (int row = 0; row < list.GetItemCount(); ++row) after.insert(list.GetItemText(row, 0).str());
  EXPECT_EQ(after, before);
}

}  // namespace
