#include "util/CSortList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kSortColumn = 1;

// A report list whose rows carry a label, a text in the sort column and item data 100 + row.
class CSortListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dialog.Create(nullptr, "Studies", WS_VISIBLE, RECT{0, 0, 400, 300}, nullptr, 0));
    ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 400, 300}, &m_dialog, 1));
    m_list.InsertColumn(0, "Patient");
    m_list.InsertColumn(1, "Value");
  }

  void Fill(const std::vector<std::string>& texts) {
    m_list.DeleteAllItems();
    for (size_t row = 0; row < texts.size(); ++row) {
      const int index = static_cast<int>(row);
      m_list.InsertItem(index, ("row" + std::to_string(row)).c_str());
      m_list.SetItemText(index, kSortColumn, texts[row].c_str());
      m_list.SetItemData(index, 100 + row);
    }
  }

  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int row = 0; row < m_list.GetItemCount(); ++row) texts.push_back(m_list.GetItemText(row, column).str());
    return texts;
  }

  CWnd m_dialog;
  CListCtrl m_list;
};

// The control's sort is stable: rows whose texts compare as 0 keep their order, in either
// direction.
TEST_F(CSortListTest, SortsByEachTypeInBothDirections) {
  const struct {
    std::vector<std::string> texts;
    CSortList::EDataType type;
    bool ascending;
    std::vector<std::string> sorted;
  } cases[] = {
      {{"10", "9", "100"}, CSortList::eInteger, true, {"9", "10", "100"}},
      {{"10", "9", "100"}, CSortList::eInteger, false, {"100", "10", "9"}},
      // Differences beyond an int keep their sign.
      {{"2147483648", "-1", "0"}, CSortList::eInteger, true, {"-1", "0", "2147483648"}},
      {{"0", "-2147483649", "1"}, CSortList::eInteger, false, {"1", "0", "-2147483649"}},
      {{"5", "abc", "-2"}, CSortList::eInteger, true, {"-2", "abc", "5"}},
      {{"10", "9", "100"}, CSortList::eString, true, {"10", "100", "9"}},
      {{"doe", "Roe", "ABEL"}, CSortList::eString, false, {"Roe", "doe", "ABEL"}},
      {{"abc", "ABC", "Abc"}, CSortList::eString, true, {"abc", "ABC", "Abc"}},
      {{"Abc", "abc", "b", "ABC"}, CSortList::eString, false, {"b", "Abc", "abc", "ABC"}},
      {{"7", "07", "3", "+7"}, CSortList::eInteger, true, {"3", "7", "07", "+7"}},
      {{"2024-03-01 10:00", "1/5/2024", "Feb 29 2024"}, CSortList::eDate, true, {"1/5/2024", "Feb 29 2024", "2024-03-01 10:00"}},
      {{"2024-03-01 10:00", "1/5/2024", "Feb 29 2024"}, CSortList::eDate, false, {"2024-03-01 10:00", "Feb 29 2024", "1/5/2024"}},
      // A text that is no date compares as 0 with any other, on either side: two rows keep their order.
      {{"someday", "2023-01-02"}, CSortList::eDate, true, {"someday", "2023-01-02"}},
      {{"someday", "2023-01-02"}, CSortList::eDate, false, {"someday", "2023-01-02"}},
      {{"2023-01-02", "someday"}, CSortList::eDate, true, {"2023-01-02", "someday"}},
      {{"2023-01-02", "someday"}, CSortList::eDate, false, {"2023-01-02", "someday"}},
      {{"2.5", "-1", "2.25"}, CSortList::eDouble, true, {"-1", "2.25", "2.5"}},
      {{"2.25", "-1", "2.5"}, CSortList::eDouble, false, {"2.5", "2.25", "-1"}},
      {{}, CSortList::eString, true, {}},  // an empty control: nothing to do
  };
  for (const auto& c : cases) {
    Fill(c.texts);
    CSortList sorter(&m_list, kSortColumn);
    sorter.Sort(c.ascending, c.type);
    EXPECT_EQ(Column(kSortColumn), c.sorted) << "case " << &c - cases;
  }
}

TEST_F(CSortListTest, ItemDataIsParkedWhileSortingAndGivenBackAfterwards) {
  Fill({"30", "10", "20"});
  {
    CSortList sorter(&m_list, kSortColumn);
    // The texts are captured once: later changes to the column do not steer the sort.
    m_list.SetItemText(0, kSortColumn, "5");
    sorter.Sort(true, CSortList::eInteger);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"row1", "row2", "row0"}));
  }
  // Each row has its own data back, in its new place.
  const DWORD_PTR expected[] = {101, 102, 100};
  for (int row = 0; row < 3; ++row) EXPECT_EQ(m_list.GetItemData(row), expected[row]) << row;
}

}  // namespace
