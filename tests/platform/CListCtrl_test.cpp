#include "platform/CListCtrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

// Answers from a fixed pseudo-random sequence: no order at all.
int CALLBACK Inconsistent(LPARAM, LPARAM, LPARAM state) {
  auto& seed = *reinterpret_cast<unsigned*>(state);
  seed = seed * 1103515245u + 12345u;
  return static_cast<int>((seed >> 16) % 3) - 1;
}

// Compares the rows' item data divided by 10: rows 0-9 tie, 10-19 tie, and so on; a negative
// sort value sorts descending.
int CALLBACK ByTens(LPARAM first, LPARAM second, LPARAM sortValue) {
  const long difference = static_cast<long>(first / 10 - second / 10);
  return static_cast<int>(sortValue < 0 ? -difference : difference);
}

// A report list in a dialog, with one column.
class CListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dialog.Create(nullptr, "Dialog", WS_VISIBLE, RECT{0, 0, 300, 200}, nullptr, 0));
    ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 300, 200}, &m_dialog, 1));
    m_list.InsertColumn(0, "Patient");
  }

  CWnd m_dialog;
  CListCtrl m_list;
};

// The sort is stable in both directions: rows that tie keep the order they had. The rows go in
// shuffled, so that ties lie far apart.
TEST_F(CListCtrlTest, SortOrdersTheRowsAndKeepsTiesInTheirOrder) {
  std::vector<int> data(100);
  for (int row = 0; row < 100; ++row) data[row] = (row * 37) % 100;
  for (int row = 0; row < 100; ++row) {
    m_list.InsertItem(row, std::to_string(data[row]).c_str());
    m_list.SetItemData(row, static_cast<DWORD_PTR>(data[row]));
  }
  for (const LPARAM direction : {1, -1}) {
    std::vector<int> expected(data);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](int a, int b) { return ByTens(a, b, direction) < 0; });
    EXPECT_TRUE(m_list.SortItems(ByTens, static_cast<DWORD_PTR>(direction)));
    for (int row = 0; row < 100; ++row) EXPECT_EQ(m_list.GetItemText(row, 0).str(), std::to_string(expected[row])) << row;
    data = expected;
  }
}

// Texts are read back whole, however long.
TEST_F(CListCtrlTest, LongTextsAreReadBackWhole) {
  for (const size_t length : {254u, 255u, 256u, 257u, 511u, 512u, 4000u}) {
    const std::string text(length, 'x');
    m_list.InsertItem(0, text.c_str());
    EXPECT_EQ(m_list.GetItemText(0, 0).str(), text) << length;
    m_list.DeleteAllItems();
  }
}

// A comparison that contradicts itself must neither lose nor repeat a row.
TEST_F(CListCtrlTest, SortKeepsEveryRowWhateverTheComparisonAnswers) {
  CListCtrl& list = m_list;
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
