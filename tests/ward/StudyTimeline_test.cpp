#include "ward/StudyTimeline.h"

#include <gtest/gtest.h>

#include "link/RecordingScratch.h"
#include "ward/StationBedside.h"

namespace {

using namespace std::chrono_literals;
using Instant = StudyTimeline::Instant;

Instant Ms(std::int64_t ms) { return Instant(std::chrono::milliseconds(ms)); }

class StudyTimelineTest : public RecordingScratch {};

// A link's time stamp 0 is the packet's arrival less its time stamp and the 1.25 s its five
// samples cover, on the quarter-second grid.
TEST_F(StudyTimelineTest, ALinkIsAnchoredOnTheQuarterSecondGrid) {
  EXPECT_EQ(StudyTimeline::AnchorOf(Ms(1792900001400), 0), Ms(1792900000250));
  EXPECT_EQ(StudyTimeline::AnchorOf(Ms(1792900006300), 5000), Ms(1792900000000));
  EXPECT_EQ(StudyTimeline::AnchorOf(Ms(1792900001375), 0), Ms(1792900000250));  // half way: the later
  EXPECT_EQ(StudyTimeline::AnchorText(Ms(1792900000250)), "link clock: time stamp 0 is 1792900000250 ms UTC");
  EXPECT_EQ(StudyTimeline::EventsPathOf("/data/Studies/P-1/20261025023000.link"),
            "/data/Studies/P-1/20261025023000.events");
}

// The anchors are the events file's whole anchor lines in order; a line still being written, a
// line without a stamp or with another unit is none.
TEST_F(StudyTimelineTest, TheAnchorsAreReadFromTheEventsFile) {
  Write("study.events", std::string("study \"20261025023000\" of patient \"P-1\" from monitor \"127.0.0.1\"\n") +
                            "2026-10-25 02:30:00 +0100 link clock: time stamp 0 is 1792891800250 ms UTC\n" +
                            "2026-10-25 02:31:00 +0100 bed 1: patient P-1, new study 20261025023000\n" +
                            "link clock: time stamp 0 is 1792891900000 ms UTC\n" +
                            "2026-10-25 02:32:00 +0100 link clock: time stamp 0 is 1792891920000 s UTC\n" +
                            "2026-10-25 02:40:00 +0100 link clock: time stamp 0 is 1792892400500 ms UTC\n" +
                            "2026-10-25 02:41:00 +0100 link clock: time stamp 0 is 17928924");
  EXPECT_EQ(StudyTimeline::Anchors(File("study.events")),
            (std::vector<Instant>{Ms(1792891800250), Ms(1792892400500)}));
}

// Read back, a recording's samples are timed by its anchor, or from its study's start without
// one; a span reads only its samples.
TEST_F(StudyTimelineTest, ARecordingReadsBackTimedByItsAnchor) {
  const std::string link = Write("study.link", StationBedside::Link(7, 5000, "P-7"));
  TraceBatch untimed;
  ASSERT_EQ(StudyTimeline::Read(link, Ms(1792891800000), Ms(0), Ms(1892891800000), untimed), std::nullopt);
  ASSERT_EQ(untimed.samples.size(), 20u);
  const auto offset = untimed.start - Ms(1792891800000);

  Write("study.events", "2026-10-25 02:30:00 +0100 link clock: time stamp 0 is 1792891800250 ms UTC\n");
  TraceBatch timed;
  ASSERT_EQ(StudyTimeline::Read(link, Ms(0), Ms(0), Ms(1892891800000), timed), std::nullopt);
  EXPECT_EQ(timed.start, Ms(1792891800250) + offset);
  ASSERT_EQ(timed.samples.size(), 20u);
  EXPECT_EQ(timed.samples[3].values, untimed.samples[3].values);

  TraceBatch span;
  ASSERT_EQ(StudyTimeline::Read(link, Ms(0), timed.start + 1s, timed.start + 2s, span), std::nullopt);
  EXPECT_EQ(span.start, timed.start + 1s);
  ASSERT_EQ(span.samples.size(), 4u);
  EXPECT_EQ(span.samples[0].values, timed.samples[4].values);
}

}  // namespace
