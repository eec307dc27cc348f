// strip_layout_json SPEED BPM_PER_CM: the PDF strip's geometry (StripLayout) for those settings
// as JSON, in cm of paper, for the browser test that holds the page's strip to it: the heights
// of the grids and the event band, where each rate line lies below the heart-rate grid's top,
// where each contraction line lies below the contraction grid's top, the width of a minute, the
// spacing of the vertical lines, and the y of a few rates.
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "strip/StripLayout.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: strip_layout_json SPEED BPM_PER_CM\n");
    return 2;
  }
  const StripLayout layout(std::atoi(argv[1]), std::atoi(argv[2]), StripPaper::A4);
  const auto cm = [](double points) { return points / StripLayout::kPointsPerCm; };
  nlohmann::json heartRate = nlohmann::json::array();
  for (int bpm = layout.LowestBpm(); bpm <= layout.HighestBpm(); bpm += 10) {
    heartRate.push_back({{"value", bpm}, {"y", cm(layout.HeartRateY(bpm) - layout.HeartRateTop())}});
  }
  nlohmann::json contraction = nlohmann::json::array();
  for (int value = 0; value <= 100; value += 10) {
    contraction.push_back({{"value", value}, {"y", cm(layout.ContractionY(value) - layout.ContractionTop())}});
  }
  const nlohmann::json out = {
      {"speed", layout.SpeedCode()},
      {"bpmPerCm", layout.BpmPerCm()},
      {"lowestBpm", layout.LowestBpm()},
      {"highestBpm", layout.HighestBpm()},
      {"minuteWidth", cm(layout.X(240) - layout.X(0))},
      {"minorSeconds", layout.MinorSeconds()},
      {"majorSeconds", layout.MajorSeconds()},
      {"heartRateHeight", cm(layout.HeartRateBottom() - layout.HeartRateTop())},
      {"eventHeight", cm(layout.EventBottom() - layout.EventTop())},
      {"contractionHeight", cm(layout.ContractionBottom() - layout.ContractionTop())},
      {"clockAboveGrid", cm(layout.HeartRateTop() - layout.ClockBaseline())},
      {"heartRateLines", heartRate},
      {"contractionLines", contraction},
  };
  std::printf("%s\n", out.dump(2).c_str());
  return 0;
}
