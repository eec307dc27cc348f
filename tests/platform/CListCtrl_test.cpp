#include "platform/CListCtrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class CListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dialog.Create(nullptr, "Dialog", WS_VISIBLE, RECT{0, 0, 300, 200}, nullptr, 0));
    ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 300, 200}, &m_dialog, 1));
    EXPECT_EQ(m_list.InsertColumn(0, "Patient"), 0);
    EXPECT_EQ(m_list.InsertColumn(1, "Study"), 1);
  }

  std::vector<std::string> Labels() const {
    std::vector<std::string> labels;
    for (int row = 0; row < m_list.GetItemCount(); ++row) labels.push_back(m_list.GetItemText(row, 0).str());
    return labels;
  }

  CWnd m_dialog;
  CListCtrl m_list;
};

TEST_F(CListCtrlTest, RowsKeepTheirTextsAndDataWhereTheyWereInserted) {
  EXPECT_EQ(m_list.InsertItem(0, "Doe"), 0);
  EXPECT_EQ(m_list.InsertItem(99, "Roe"), 1);  // past the end: appended
  EXPECT_EQ(m_list.InsertItem(0, "Poe"), 0);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"Poe", "Doe", "Roe"}));

  EXPECT_TRUE(m_list.SetItemText(1, 1, "2024-03-01"));
  EXPECT_FALSE(m_list.SetItemText(1, 2, "no such column"));
  EXPECT_FALSE(m_list.SetItemText(3, 0, "no such row"));
  EXPECT_EQ(m_list.GetItemText(1, 1), "2024-03-01");
  EXPECT_EQ(m_list.GetItemText(0, 1), "");
  EXPECT_EQ(m_list.GetItemText(-1, 0), "");

  const std::string longName(1000, 'x');  // longer than one read of the text
  EXPECT_TRUE(m_list.SetItemText(2, 0, longName.c_str()));
  EXPECT_EQ(m_list.GetItemText(2, 0).str(), longName);

  EXPECT_TRUE(m_list.SetItemData(1, 0xDEADBEEFCAFEul));
  EXPECT_EQ(m_list.GetItemData(1), 0xDEADBEEFCAFEul);
  EXPECT_FALSE(m_list.SetItemData(7, 1));
  EXPECT_EQ(m_list.GetItemData(7), 0u);

  EXPECT_TRUE(m_list.DeleteItem(0));
  EXPECT_FALSE(m_list.DeleteItem(5));
  EXPECT_EQ(Labels(), (std::vector<std::string>{"Doe", longName}));
  EXPECT_TRUE(m_list.DeleteAllItems());
  EXPECT_EQ(m_list.GetItemCount(), 0);
}

int CALLBACK ByData(LPARAM first, LPARAM second, LPARAM direction) {
  return static_cast<int>((first > second) - (first < second)) * static_cast<int>(direction);
}

// Answers from a fixed pseudo-random sequence: no order at all.
int CALLBACK Inconsistent(LPARAM, LPARAM, LPARAM state) {
  auto& seed = *reinterpret_cast<unsigned*>(state);
  seed = seed * 1103515245u + 12345u;
  return static_cast<int>((seed >> 16) % 3) - 1;
}

TEST_F(CListCtrlTest, SortingIsStableAndKeepsEveryRowWhateverTheComparisonAnswers) {
  const int data[] = {3, 1, 2, 1, 3};
  const char* labels[] = {"a", "b", "c", "d", "e"};
  for (int row = 0; row < 5; ++row) {
    m_list.InsertItem(row, labels[row]);
    m_list.SetItemData(row, static_cast<DWORD_PTR>(data[row]));
  }
  EXPECT_TRUE(m_list.SortItems(ByData, 1));
  EXPECT_EQ(Labels(), (std::vector<std::string>{"b", "d", "c", "a", "e"}));
  EXPECT_TRUE(m_list.SortItems(ByData, static_cast<DWORD_PTR>(-1)));
  EXPECT_EQ(Labels(), (std::vector<std::string>{"a", "e", "c", "b", "d"}));
  EXPECT_FALSE(m_list.SortItems(nullptr, 0));

  for (int row = 5; row < 200; ++row) m_list.InsertItem(row, std::to_string(row).c_str());
  std::vector<std::string> before = Labels();
  unsigned seed = 7;
  EXPECT_TRUE(m_list.SortItems(Inconsistent, reinterpret_cast<DWORD_PTR>(&seed)));
  std::vector<std::string> after = Labels();
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
}

}  // namespace
