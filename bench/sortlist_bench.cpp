// Speed of CSortList: a host's whole use of it (capture every row, sort, give the item data
// back) on a list of 10,000 rows, for each data type, against std::sort of the same texts with
// the same comparison written out by hand. After the table, one line per type gives the ratio.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/COleDateTime.h"
#include "platform/mbstring.h"
#include "platform/CListCtrl.h"
#include "util/CSortList.h"

namespace {

constexpr int kRows = 10000;
constexpr int kSortColumn = 1;
constexpr double kTargetRatio = 2.0;

using Texts = std::vector<CString>;

// ---- the rows: made-up values in a fixed pseudo-random order ----------------------------------

Texts MakeTexts(CSortList::EDataType type) {
  std::mt19937 random(20240305u + static_cast<unsigned>(type));
  std::uniform_int_distribution<int> number(-1000000, 1000000);
  std::uniform_int_distribution<int> letter(0, 51);
  Texts texts;
  for (int row = 0; row < kRows; ++row) {
    CString text;
    switch (type) {
      case CSortList::eInteger:
        text.Format("%d", number(random));
        break;
      case CSortList::eString:
        for (int i = 0; i < 8; ++i) {
          const int pick = letter(random);
          text += static_cast<char>(pick < 26 ? 'a' + pick : 'A' + pick - 26);
        }
        break;
      case CSortList::eDate: {
        const int minutes = number(random) + 1000000;  // about four years of study starts
        text.Format("%04d-%02d-%02d %02d:%02d", 2020 + minutes / 525600, 1 + minutes / 43800 % 12,
                    1 + minutes / 1440 % 28, minutes / 60 % 24, minutes % 60);
        break;
      }
      case CSortList::eDouble:
        text.Format("%.2f", number(random) / 100.0);
        break;
    }
    texts.push_back(text);
  }
  return texts;
}

// ---- the baseline: the same comparisons, written out -------------------------------------------

int CompareIntegers(const CString& a, const CString& b) {
  const long x = std::strtol(a, nullptr, 10), y = std::strtol(b, nullptr, 10);
  return (x > y) - (x < y);
}

int CompareTexts(const CString& a, const CString& b) {
  return _mbsicmp(reinterpret_cast<const unsigned char*>(a.GetString()), reinterpret_cast<const unsigned char*>(b.GetString()));
}

int CompareDates(const CString& a, const CString& b) {
  COleDateTime x, y;
  if (!x.ParseDateTime(a, 0, LANG_USER_DEFAULT) || !y.ParseDateTime(b, 0, LANG_USER_DEFAULT)) return 0;
  return x < y ? -1 : 1;
}

int CompareDecimals(const CString& a, const CString& b) {
  return std::strtod(a, nullptr) >= std::strtod(b, nullptr) ? 1 : -1;
}

using Comparison = int (*)(const CString&, const CString&);

Comparison ComparisonFor(CSortList::EDataType type) {
  switch (type) {
    case CSortList::eInteger:
      return CompareIntegers;
    case CSortList::eString:
      return CompareTexts;
    case CSortList::eDate:
      return CompareDates;
    case CSortList::eDouble:
      return CompareDecimals;
  }
  return nullptr;
}

Texts SortedByBaseline(Texts texts, CSortList::EDataType type) {
  const Comparison compare = ComparisonFor(type);
  std::sort(texts.begin(), texts.end(), [compare](const CString& a, const CString& b) { return compare(a, b) < 0; });
  return texts;
}

// ---- the class: a report list in a dialog ------------------------------------------------------

class StudyList {
 public:
  StudyList() {
    m_dialog.Create(nullptr, "Studies", WS_VISIBLE, RECT{0, 0, 800, 600}, nullptr, 0);
    m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 800, 600}, &m_dialog, 1);
    m_list.InsertColumn(0, "Patient");
    m_list.InsertColumn(1, "Value");
  }

  // Rows in the order of `texts`, each with its own item data.
  void Fill(const Texts& texts) {
    m_list.DeleteAllItems();
    for (int row = 0; row < static_cast<int>(texts.size()); ++row) {
      m_list.InsertItem(row, "Made-up patient");
      m_list.SetItemText(row, kSortColumn, texts[static_cast<size_t>(row)]);
      m_list.SetItemData(row, static_cast<DWORD_PTR>(row));
    }
  }

  void Sort(CSortList::EDataType type) {
    CSortList sorter(&m_list, kSortColumn);
    sorter.Sort(true, type);
  }

  Texts Column() const {
    Texts texts;
    for (int row = 0; row < m_list.GetItemCount(); ++row) texts.push_back(m_list.GetItemText(row, kSortColumn));
    return texts;
  }

 private:
  CWnd m_dialog;
  CListCtrl m_list;
};

// ---- the benchmarks ----------------------------------------------------------------------------

template <CSortList::EDataType kType>
void SortClass(benchmark::State& state) {
  const Texts texts = MakeTexts(kType);
  StudyList list;
  for (auto _ : state) {
    state.PauseTiming();
    list.Fill(texts);
    state.ResumeTiming();
    list.Sort(kType);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

template <CSortList::EDataType kType>
void SortBaseline(benchmark::State& state) {
  const Texts texts = MakeTexts(kType);
  for (auto _ : state) {
    Texts sorted = SortedByBaseline(texts, kType);  // the copy stands for the sorter's capture
    benchmark::DoNotOptimize(sorted.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// One pair per column type, in the order of kTypes.
constexpr CSortList::EDataType kTypes[] = {CSortList::eInteger, CSortList::eString, CSortList::eDate,
                                           CSortList::eDouble};
constexpr BenchmarkPair kPairs[] = {
    {"sort integers", "sort_integers", SortClass<CSortList::eInteger>, SortBaseline<CSortList::eInteger>},
    {"sort texts", "sort_texts", SortClass<CSortList::eString>, SortBaseline<CSortList::eString>},
    {"sort dates", "sort_dates", SortClass<CSortList::eDate>, SortBaseline<CSortList::eDate>},
    {"sort decimals", "sort_decimals", SortClass<CSortList::eDouble>, SortBaseline<CSortList::eDouble>},
};

// A ratio means something only when both sides put the texts in the same order. Texts that
// compare as equal may come out in either order, so the sorted columns are compared through
// the comparison itself.
bool SidesAgree() {
  bool agree = true;
  for (size_t i = 0; i < std::size(kPairs); ++i) {
    const BenchmarkPair& pair = kPairs[i];
    const Texts texts = MakeTexts(kTypes[i]);
    StudyList list;
    list.Fill(texts);
    list.Sort(kTypes[i]);
    const Texts byClass = list.Column();
    const Texts byBaseline = SortedByBaseline(texts, kTypes[i]);
    const Comparison compare = ComparisonFor(kTypes[i]);
    const bool same = byClass.size() == byBaseline.size() &&
                      std::equal(byClass.begin(), byClass.end(), byBaseline.begin(),
                                 [&](const CString& a, const CString& b) { return a == b || (compare(a, b) >= 0 && compare(b, a) >= 0); });
    if (!same) std::fprintf(stderr, "%s: the class and the baseline sort differently\n", pair.label);
    agree = agree && same;
  }
  return agree;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!SidesAgree()) return 1;
  RunPairs(kPairs, kTargetRatio, benchmark::kMillisecond);
  benchmark::Shutdown();
  return 0;
}
