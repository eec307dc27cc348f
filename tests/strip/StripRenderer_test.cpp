// The strip's geometry, read back by numbers from the SVG it writes: where a rate lies, how
// long a minute is, that a gap stays a gap, how many pages a recording takes.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "config/ObexConfig.h"
#include "link/RecordingScratch.h"
#include "recording/TimeZoneScope.h"
#include "strip/StripPage.h"
#include "strip/StripRenderer.h"
#include "strip/StripSurface.h"

namespace {

constexpr double kPointsPerMm = 72 / 25.4;
constexpr int kSamplesPerMinute = 240;
// The FHR1, MHR, FHR2 and UC colours of the configuration below, as SVG writes them.
constexpr int kFhr1ColorRef = 0x000000FF;  // 0x00BBGGRR: pure red
constexpr int kMhrColorRef = 0x0000FF00;   // pure green
constexpr int kFhr2ColorRef = 0x00FFFF00;  // cyan
constexpr int kUcColorRef = 0x00FF0000;    // pure blue
const char* const kFhr1Stroke = "stroke:rgb(100%,0%,0%)";
const char* const kMhrStroke = "stroke:rgb(0%,100%,0%)";
const char* const kUcStroke = "stroke:rgb(0%,0%,100%)";

struct Point {
  double x;
  double y;
};
using Subpath = std::vector<Point>;

TraceSample Sample(std::optional<float> fhr1, std::optional<float> uc = std::nullopt) {
  TraceSample sample;
  sample.Value(TraceChannel::FHR1) = fhr1;
  sample.Value(TraceChannel::UC) = uc;
  return sample;
}

StripColors TestColors() {
  ObexConfig config;
  config.m_nReviewGraphBackground = 0x00FFFFFF;
  config.m_nReviewGraphFHR1 = kFhr1ColorRef;
  config.m_nReviewGraphHR = kMhrColorRef;
  config.m_nReviewGraphFHR2 = kFhr2ColorRef;
  config.m_nReviewGraphUC = kUcColorRef;
  config.m_nReviewGridOuter = 0x00C0C0C0;
  config.m_nReviewGridInner = 0x00E0E0E0;
  return StripColors::Station(config);
}

// The subpaths of every path stroked in `stroke`, in page points.
std::vector<Subpath> Subpaths(const std::string& svg, const std::string& stroke) {
  std::vector<Subpath> subpaths;
  const std::regex path("<path[^>]*" + std::regex_replace(stroke, std::regex(R"([()%])"), R"(\$&)") +
                        R"([^>]*d=\"([^\"]*)\")");
  for (auto match = std::sregex_iterator(svg.begin(), svg.end(), path); match != std::sregex_iterator(); ++match) {
    std::istringstream d((*match)[1].str());
    for (std::string op; d >> op;) {
      Point point{};
      d >> point.x >> point.y;
      if (op == "M") subpaths.emplace_back();
      subpaths.back().push_back(point);
    }
  }
  return subpaths;
}

class StripRendererTest : public RecordingScratch {
 protected:
  // Renders `samples` from link time 0, or from the UTC second `start`, and returns the number
  // of pages.
  int Render(const std::vector<TraceSample>& samples, int speed, int scale, const std::string& name = "strip.svg",
             StripSpan span = {}, std::optional<std::int64_t> start = std::nullopt) {
    const StripLayout layout(speed, scale, StripPaper::A4);
    StripSurface surface(File(name), *StripSurface::FormatOf(name), layout.PageWidth(), layout.PageHeight());
    EXPECT_EQ(surface.Open(), std::nullopt);
    StripRenderer renderer(surface, layout, TestColors(), {"Test Hospital", "Doe, Jane", "T-1", "study"}, span);
    renderer.Begin(start);
    for (std::size_t i = 0; i < samples.size(); ++i) renderer.Write(i, samples[i]);
    m_fault = renderer.Finish();
    return renderer.PageCount();
  }

  std::optional<std::string> m_fault;
};

// At 20 bpm/cm the grid spans 50-210 bpm, at 30 bpm/cm 30-240 bpm; its top lies 33 mm below
// the page's top (10 mm margin, 17 mm header, 6 mm clock row). UC 0-100 spans 4 cm below the
// 10 mm event band. The maternal rate (80 bpm here) lies on the fetal rates' scale.
TEST_F(StripRendererTest, ConstantValuesLieAtTheHeightTheScaleGives) {
  const struct { int scale; float bpm; double fhrMm; double mhrMm; double ucMm; } cases[] = {
      {20, 150, 33 + 30, 33 + 65, 33 + 80 + 10 + 20},  // (210-150)/20 = 3 cm down; UC 50: 2 cm up from 163 mm
      {20, 90, 33 + 60, 33 + 65, 33 + 80 + 10 + 20},
      {30, 90, 33 + 50, 33 + 160 / 3.0, 33 + 70 + 10 + 20},  // (240-90)/30 = 5 cm down
      {30, 240, 33, 33 + 160 / 3.0, 33 + 70 + 10 + 20},
  };
  for (const auto& c : cases) {
    TraceSample sample = Sample(c.bpm, 50);
    sample.Value(TraceChannel::MHR) = 80;
    Render(std::vector<TraceSample>(kSamplesPerMinute, sample), 1, c.scale);
    const std::string svg = ReadFile(File("strip.svg"));
    for (const auto& [stroke, mm] : {std::pair{kFhr1Stroke, c.fhrMm}, std::pair{kMhrStroke, c.mhrMm},
                                     std::pair{kUcStroke, c.ucMm}}) {
      const std::vector<Subpath> subpaths = Subpaths(svg, stroke);
      ASSERT_EQ(subpaths.size(), 1u) << stroke;
      for (const Point& point : subpaths[0]) ASSERT_NEAR(point.y, mm * kPointsPerMm, 0.01) << c.scale << " " << c.bpm;
    }
    // The legend shows the channels on the page in their colours, and no other.
    EXPECT_NE(svg.find("fill:rgb(0%,100%,0%)"), std::string::npos);
    EXPECT_EQ(svg.find("fill:rgb(0%,100%,100%)"), std::string::npos);
  }
}

TEST_F(StripRendererTest, AMinuteSpansOneCentimetrePerSpeedCode) {
  for (const int speed : {1, 2, 3}) {
    Render(std::vector<TraceSample>(kSamplesPerMinute + 1, Sample(140)), speed, 30);
    const std::vector<Subpath> subpaths = Subpaths(ReadFile(File("strip.svg")), kFhr1Stroke);
    ASSERT_EQ(subpaths.size(), 1u);
    EXPECT_NEAR(subpaths[0].back().x - subpaths[0].front().x, speed * 10 * kPointsPerMm, 0.01) << speed;
  }
}

// Where a link began again, a dashed line in the text's colour (black here) crosses both grids:
// at 3 cm/min and 30 bpm/cm from 33 mm down to 153 mm, 120 samples (15 mm) into the grid.
TEST_F(StripRendererTest, WhereALinkBeganAgainALineCrossesBothGrids) {
  std::vector<TraceSample> samples(240, Sample(140, 20));
  samples[120].marks = TraceSample::kLinkBegan;
  Render(samples, 3, 30);
  const std::vector<Subpath> lines = Subpaths(ReadFile(File("strip.svg")), "stroke:rgb(0%,0%,0%)");
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 2u);
  for (const Point& point : lines[0]) EXPECT_NEAR(point.x, 35 * kPointsPerMm, 0.01);
  EXPECT_NEAR(lines[0][0].y, 33 * kPointsPerMm, 0.01);
  EXPECT_NEAR(lines[0][1].y, 153 * kPointsPerMm, 0.01);
}

// Cairo merges collinear segments, so these traces zigzag between two rates: then every
// sample is a point of the path.
std::vector<TraceSample> Zigzag(std::size_t count, float bpm) {
  std::vector<TraceSample> samples;
  for (std::size_t i = 0; i < count; ++i) samples.push_back(Sample(bpm + static_cast<float>(i % 2)));
  return samples;
}

TEST_F(StripRendererTest, AbsentValuesLeaveAGap) {
  std::vector<TraceSample> samples = Zigzag(300, 140);
  for (int i = 100; i < 180; ++i) samples[i] = Sample(std::nullopt);
  samples[240] = Sample(std::nullopt);
  samples[242] = Sample(std::nullopt);  // 241 stands alone: a dot
  Render(samples, 3, 30);
  const std::vector<Subpath> subpaths = Subpaths(ReadFile(File("strip.svg")), kFhr1Stroke);
  ASSERT_EQ(subpaths.size(), 4u);
  const double sampleWidth = 30 * kPointsPerMm / kSamplesPerMinute;
  for (const Subpath& subpath : subpaths) {
    for (std::size_t i = 1; i < subpath.size(); ++i) {
      EXPECT_LE(subpath[i].x - subpath[i - 1].x, sampleWidth + 0.01);
      // Never down to zero: 140 and 141 bpm lie 100/3 and 99/3 mm below 240 bpm.
      EXPECT_NEAR(subpath[i].y, (33 + 199.0 / 6) * kPointsPerMm, 0.5);
    }
  }
  EXPECT_NEAR(subpaths[1].front().x - subpaths[0].back().x, 81 * sampleWidth, 0.01);
  EXPECT_NEAR(subpaths[2].front().x, subpaths[2].back().x, 0.01);
}

// A4 landscape holds 26 minutes at 1 cm/min, 13 at 2 and 8 at 3 (whole minutes in 265 mm).
TEST_F(StripRendererTest, PageCountFollowsLength) {
  const struct { int speed; int minutes; int pages; } cases[] = {
      {3, 8, 1}, {3, 20, 3}, {1, 26, 1}, {1, 27, 2}, {2, 40, 4},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
    EXPECT_EQ(Render(std::vector<TraceSample>(c.minutes * kSamplesPerMinute, Sample(140)), c.speed, 30), c.pages);
    EXPECT_EQ(m_fault, std::nullopt);
    const auto files = std::distance(std::filesystem::directory_iterator(m_folder), {});
    EXPECT_EQ(files, c.pages) << c.speed << " " << c.minutes;
  }
  EXPECT_TRUE(std::filesystem::exists(File("strip-2.svg")));
  EXPECT_EQ(Render(std::vector<TraceSample>(20 * kSamplesPerMinute, Sample(140)), 3, 30, "strip.pdf"), 3);
  const std::string pdf = ReadFile(File("strip.pdf"));
  const std::regex page("/Type /Page\\b[^s]");
  EXPECT_EQ(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()), 3);
  // True scale: A4 landscape is 842 x 595 points.
  EXPECT_NE(pdf.find("/MediaBox [ 0 0 841.889764 595.275591 ]"), std::string::npos);
}

// The link's clock starts at 00:00:00 here: from 00:02 for one minute is samples 480-719.
TEST_F(StripRendererTest, SpanSelectsFromTheClockAndRefusesOneOutside) {
  std::vector<TraceSample> samples = Zigzag(5 * kSamplesPerMinute, 120);
  const std::vector<TraceSample> chosen = Zigzag(kSamplesPerMinute, 150);
  std::copy(chosen.begin(), chosen.end(), samples.begin() + 480);
  Render(samples, 3, 30, "strip.svg", StripSpan{120, 1.0});
  const std::vector<Subpath> subpaths = Subpaths(ReadFile(File("strip.svg")), kFhr1Stroke);
  ASSERT_EQ(subpaths.size(), 1u);
  // 239 sample widths from the grid's left edge (20 mm in), all at 150-151 bpm (3 cm down).
  EXPECT_NEAR(subpaths[0].front().x, 20 * kPointsPerMm, 0.01);
  EXPECT_NEAR(subpaths[0].back().x - subpaths[0].front().x, 239 * 30 * kPointsPerMm / kSamplesPerMinute, 0.01);
  for (const Point& point : subpaths[0]) EXPECT_NEAR(point.y, (63 - 1.0 / 6) * kPointsPerMm, 0.5);

  EXPECT_EQ(Render(samples, 3, 30, "outside.pdf", StripSpan{3600, 1.0}), 0);
  ASSERT_TRUE(m_fault);
  EXPECT_NE(m_fault->find("outside the recording, which runs from 00:00:00 to 00:05:00"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(File("outside.pdf")));
}

// The clock is the wall's in the zone of the process. Berlin, 2026-10-25: at 03:00 summer time
// the clock goes back to 02:00; the first label after the change names the new offset, and the
// header a page's offsets where they differ.
TEST_F(StripRendererTest, TheClockIsLocalWallTimeAndNamesTheOffsetWhereItChanges) {
  const TimeZoneScope berlin("Europe/Berlin");
  const StripLayout slow(1, 20, StripPaper::A4);  // 26 minutes a page, a label every 10
  const StripLayout fast(3, 30, StripPaper::A4);  // 8 minutes, a label every minute
  const StripClock autumn = StripClock::Dated(1792888800);  // 00:40 UTC, 02:40 summer time
  EXPECT_EQ(StripPage::ClockLabels(slow, autumn), (std::vector<std::string>{"02:40", "02:50", "02:00 +01:00"}));
  EXPECT_EQ(StripPage::SpanText(autumn, 26 * 60), "2026-10-25  02:40:00 +02:00 - 02:06:00 +01:00");
  const StripClock again = autumn.Plus(30 * 60 + 15);  // 02:10:15 winter time
  EXPECT_EQ(StripPage::ClockLabels(fast, again).front(), "02:10:15");
  EXPECT_EQ(StripPage::SpanText(again, 8 * 60), "2026-10-25  02:10:15 - 02:18:15 +01:00");
  // Spring, 2026-03-29: at 02:00 winter time the clock goes on to 03:00.
  const StripClock spring = StripClock::Dated(1774745400);  // 00:50 UTC, 01:50 winter time
  EXPECT_EQ(StripPage::ClockLabels(slow, spring), (std::vector<std::string>{"01:50", "03:00 +02:00", "03:10"}));
  // Without a start the clock is the time since the link began, with no date and no offset.
  EXPECT_EQ(StripPage::ClockLabels(slow, StripClock::SinceStart(3590)),
            (std::vector<std::string>{"00:59:50", "01:09:50", "01:19:50"}));
  EXPECT_EQ(StripPage::SpanText(StripClock::SinceStart(0), 8 * 60), "00:00:00 - 00:08:00");
}

// From 02:05 on a strip that begins at 02:40 summer time is 25 minutes later, in winter time,
// not the next day; 02:30 on the spring night, which the clock skips, begins at 03:00.
TEST_F(StripRendererTest, SpanFromAClockTimeFollowsTheWallClockOverAChange) {
  const TimeZoneScope berlin("Europe/Berlin");
  std::vector<TraceSample> samples = Zigzag(40 * kSamplesPerMinute, 120);
  const std::vector<TraceSample> chosen = Zigzag(kSamplesPerMinute, 150);
  std::copy(chosen.begin(), chosen.end(), samples.begin() + 25 * kSamplesPerMinute);
  for (const std::int64_t start : {1792888800, 1774744500}) {  // 02:40 summer time; 01:35 winter time
    Render(samples, 3, 30, "strip.svg", StripSpan{start == 1792888800 ? 2 * 3600 + 5 * 60 : 2 * 3600 + 30 * 60, 1.0},
           start);
    EXPECT_EQ(m_fault, std::nullopt);
    const std::vector<Subpath> subpaths = Subpaths(ReadFile(File("strip.svg")), kFhr1Stroke);
    ASSERT_EQ(subpaths.size(), 1u);
    EXPECT_NEAR(subpaths[0].back().x - subpaths[0].front().x, 239 * 30 * kPointsPerMm / kSamplesPerMinute, 0.01);
    for (const Point& point : subpaths[0]) EXPECT_NEAR(point.y, (63 - 1.0 / 6) * kPointsPerMm, 0.5);
  }
}

TEST_F(StripRendererTest, FaultsOfTheOutputAreReported) {
  StripSurface unwritable(File("no/such/folder/strip.pdf"), StripFormat::Pdf, 100, 100);
  const std::optional<std::string> fault = unwritable.Open();
  ASSERT_TRUE(fault);
  EXPECT_NE(fault->find("cannot create"), std::string::npos);

  EXPECT_EQ(StripSurface::FormatOf("a.PDF"), StripFormat::Pdf);
  EXPECT_EQ(StripSurface::FormatOf("a.png"), StripFormat::Png);
  EXPECT_EQ(StripSurface::FormatOf("a.svg.txt"), std::nullopt);
  EXPECT_EQ(StripSurface::FormatOf("dir.pdf/a"), std::nullopt);

  if (std::filesystem::exists("/dev/full")) {
    StripSurface full("/dev/full", StripFormat::Png, 100, 100);
    ASSERT_EQ(full.Open(), std::nullopt);
    full.BeginPage();
    EXPECT_NE(full.EndPage().value_or("").find("cannot write"), std::string::npos);
  }
}

// Hostile header texts (bytes that are no UTF-8, overlong forms, surrogates, code points past
// U+10FFFF, control characters) still give a whole page.
TEST_F(StripRendererTest, HostileHeaderTextsStillDrawThePage) {
  const StripLayout layout(3, 30, StripPaper::Letter);
  StripSurface surface(File("strip.png"), StripFormat::Png, layout.PageWidth(), layout.PageHeight());
  ASSERT_EQ(surface.Open(), std::nullopt);
  StripRenderer renderer(surface, layout, StripColors::Paper(), {"\xFF\xFEHospital\x01", "\xC3 \xE0\x80\x80", "\xE2\x82 \xED\xA0\x80", "\n\xF4\x90\x80\x80"});
  renderer.Begin(1'700'000'000);
  TraceSample alarmed = Sample(300, 120);  // off both grids
  alarmed.Alarm(TraceChannel::FHR1) = 200;  // no text in the map
  alarmed.marks = 0xFF;
  renderer.Write(0, alarmed);
  EXPECT_EQ(renderer.Finish(), std::nullopt);
  EXPECT_EQ(ReadFile(File("strip.png")).substr(1, 3), "PNG");
}

}  // namespace
