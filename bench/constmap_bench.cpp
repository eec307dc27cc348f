// Speed of the constant maps' text lookup: GetMapTextByConst over every kind and code, string
// resource search and code-page conversion included, against a baseline that builds the same
// CStrings from a plain array of the texts. After the table, one line gives the ratio.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "constmap/ObConstMap.h"

namespace {

constexpr double kTargetRatio = 3.0;

struct Coded {
  ObConstMap::CMAP_TYPE kind;
  long code;
};

// Every code of every kind, in map order.
std::vector<Coded> EveryCode() {
  std::vector<Coded> codes;
  for (int value = ObConstMap::CMAP_MODEL; value <= ObConstMap::CMAP_MONITORING_MODE; ++value) {
    const auto kind = static_cast<ObConstMap::CMAP_TYPE>(value);
    for (int index = 0; index < ObConstMap::GetMapSize(kind); ++index) {
      codes.push_back({kind, ObConstMap::GetMapConst(kind, index)});
    }
  }
  return codes;
}

// The baseline's plain array: the same texts, in the same order.
std::vector<std::string> EveryText(const std::vector<Coded>& codes) {
  std::vector<std::string> texts;
  for (const Coded& coded : codes) texts.push_back(ObConstMap::GetMapTextByConst(coded.kind, coded.code).str());
  return texts;
}

void LookupClass(benchmark::State& state) {
  const std::vector<Coded> codes = EveryCode();
  for (auto _ : state) {
    for (const Coded& coded : codes) {
      CString text = ObConstMap::GetMapTextByConst(coded.kind, coded.code);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(codes.size()));
}

void LookupBaseline(benchmark::State& state) {
  const std::vector<std::string> texts = EveryText(EveryCode());
  std::vector<const char*> array;
  for (const std::string& text : texts) array.push_back(text.c_str());
  for (auto _ : state) {
    for (const char* plain : array) {
      CString text(plain);
      benchmark::DoNotOptimize(text);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(array.size()));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // A ratio means something only when the lookup finds real texts: the module must be registered.
  if (ObConstMap::GetOnOffText(1) != "On") {
    std::fprintf(stderr, "map texts: the module's string table is not in the resource search\n");
    return 1;
  }
  constexpr BenchmarkPair kPairs[] = {{"map text by code", "map_text_by_code", LookupClass, LookupBaseline}};
  RunPairs(kPairs, kTargetRatio);
  benchmark::Shutdown();
  return 0;
}
