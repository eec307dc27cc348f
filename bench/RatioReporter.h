#pragma once

// The reporter of every benchmark program: Google Benchmark's console table as usual, keeping
// each benchmark's per-iteration times (CPU time, or wall time where the work waits on another
// process), so that the program can print class time / baseline time for each pair after the
// table.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(bool wallTime = false) : ConsoleReporter(OO_Tabular), m_wallTime(wallTime) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const double time = m_wallTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
      if (run.run_type == Run::RT_Iteration) m_times[run.run_name.str()].push_back(time);
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") m_reportedMedians[run.run_name.str()] = time;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The median over repetitions (one run without --benchmark_repetitions; the reported median
  // when only aggregates are reported); none when the benchmark was filtered out.
  std::optional<double> MedianTime(const std::string& name) const {
    const auto found = m_times.find(name);
    if (found == m_times.end()) {
      const auto reported = m_reportedMedians.find(name);
      if (reported == m_reportedMedians.end()) return std::nullopt;
      return reported->second;
    }
    std::vector<double> times = found->second;
    std::sort(times.begin(), times.end());
    const size_t middle = times.size() / 2;
    return times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2;
  }

 private:
  bool m_wallTime;
  std::map<std::string, std::vector<double>> m_times;
  std::map<std::string, double> m_reportedMedians;
};


// One measured pair: the library as a host uses it, and the hand-written baseline doing the
// same work in the same program.
struct BenchmarkPair {
  const char* label;  // as printed in the ratio line
  const char* name;   // the benchmarks are <name>/class and <name>/baseline
  void (*classSide)(benchmark::State&);
  void (*baselineSide)(benchmark::State&);
};

// Registers both sides of every pair, runs what the command line selects, then prints one line
// per pair: "<label>: <class / baseline>x baseline (target <= <targetRatio>x)", without the
// target when it is 0. With `wallTime` the pairs compare wall time: for work that waits on a
// server, whose time the program's CPU time leaves out. The caller still calls
// benchmark::Shutdown().
inline void RunPairs(std::span<const BenchmarkPair> pairs, double targetRatio,
                     benchmark::TimeUnit unit = benchmark::kNanosecond, bool wallTime = false) {
  for (const BenchmarkPair& pair : pairs) {
    for (const auto& [side, function] : {std::pair{"/class", pair.classSide}, std::pair{"/baseline", pair.baselineSide}}) {
      auto* benchmark = benchmark::RegisterBenchmark((std::string(pair.name) + side).c_str(), function)->Unit(unit);
      if (wallTime) benchmark->UseRealTime();
    }
  }
  RatioReporter reporter(wallTime);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  const std::string timeSuffix = wallTime ? "/real_time" : "";  // how the library names such runs
  for (const BenchmarkPair& pair : pairs) {
    const auto classTime = reporter.MedianTime(std::string(pair.name) + "/class" + timeSuffix);
    const auto baselineTime = reporter.MedianTime(std::string(pair.name) + "/baseline" + timeSuffix);
    if (!classTime || !baselineTime || *baselineTime <= 0) {
      std::printf("%s: not measured (both sides must run)\n", pair.label);
    } else if (targetRatio > 0) {
      std::printf("%s: %.2fx baseline (target <= %gx)\n", pair.label, *classTime / *baselineTime, targetRatio);
    } else {
      std::printf("%s: %.2fx baseline\n", pair.label, *classTime / *baselineTime);
    }
  }
}
