#include "ward/WardAlarms.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Priority = WardAlarm::Priority;
using Instant = WardAlarms::Instant;

const Instant kTen = std::chrono::system_clock::from_time_t(1792900000);

std::vector<std::string> Lines(const std::vector<WardAlarms::Change>& changes) {
  std::vector<std::string> lines;
  for (const auto& change : changes) lines.push_back(WardAlarms::LineOf(change));
  return lines;
}

StationLog::Line At(Instant time, const std::string& text) { return {std::chrono::system_clock::to_time_t(time), text}; }

TEST(WardAlarms, TheTableGivesEachAlarmItsPriority) {
  EXPECT_EQ(WardAlarms::PriorityOf("FHR1", 2), Priority::High);    // under the lower limit: bradycardia
  EXPECT_EQ(WardAlarms::PriorityOf("FHR2", 1), Priority::Medium);  // over the upper limit
  EXPECT_EQ(WardAlarms::PriorityOf("SpO2", 3), Priority::High);
  EXPECT_EQ(WardAlarms::PriorityOf("UC", 2), Priority::Medium);
  EXPECT_EQ(WardAlarms::PriorityOf("TEMP", 1), Priority::Low);
  EXPECT_EQ(WardAlarms::PriorityOf("NIBP", 20), Priority::Low);
  EXPECT_EQ(WardAlarms::PriorityOf("LINK", 1), Priority::Medium);  // the communication failure
  EXPECT_EQ(WardAlarms::PriorityOf("FHR1", 99), Priority::Medium);  // unknown: someone looks
}

// A communication failure is raised once while it lasts, acknowledged once (the first user
// stands) and cleared when the link comes back; each change is one line of the log.
TEST(WardAlarms, ACommunicationFailureIsRaisedAcknowledgedOnceAndCleared) {
  WardAlarms alarms;
  const auto raised = alarms.ShowCommunication(3, true, kTen);
  EXPECT_TRUE(alarms.ShowCommunication(3, true, kTen + 1s).empty());
  ASSERT_EQ(raised.size(), 1u);
  const std::uint64_t id = raised[0].alarm.id;
  EXPECT_EQ(alarms.Active(3).size(), 1u);
  EXPECT_TRUE(alarms.Active(2).empty());

  const auto first = alarms.Acknowledge(id, "midwife", kTen + 2s);
  const auto second = alarms.Acknowledge(id, "doctor", kTen + 3s);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->event, WardAlarm::Event::Acknowledged);
  EXPECT_EQ(second->event, WardAlarm::Event::Raised);
  EXPECT_EQ(second->alarm.acknowledgedBy, "midwife");
  EXPECT_FALSE(alarms.Acknowledge(id + 7, "midwife", kTen));

  const auto cleared = alarms.ShowCommunication(3, false, kTen + 4s);
  EXPECT_EQ(Lines({raised[0], *first, cleared.at(0)}),
            (std::vector<std::string>{"bed 3: alarm 1 raised (medium): communication failure",
                                      "bed 3: alarm 1 acknowledged by midwife", "bed 3: alarm 1 cleared"}));
  EXPECT_TRUE(alarms.Active(3).empty());
  ASSERT_EQ(alarms.History(3).size(), 1u);
  EXPECT_EQ(alarms.History(3)[0].cleared, kTen + 4s);
  const auto standing = alarms.Overlapping(3, kTen + 3s, kTen + 10s);
  EXPECT_EQ(standing.size(), 1u);
  EXPECT_TRUE(alarms.Overlapping(3, kTen + 5s, kTen + 10s).empty());
}

// The history comes back from the log after a restart: alarms still on when the log ends are
// cleared at the restart (and told), identifiers go on past the highest, and a line that is no
// alarm's is passed over.
TEST(WardAlarms, TheHistoryComesBackFromTheLog) {
  WardAlarms alarms;
  const auto cleared = alarms.Restore({At(kTen, "bed 1: alarm 4 raised (high): FHR1: Lower Limit"),
                                       At(kTen + 1s, "bed 1: alarm 4 acknowledged by midwife"),
                                       At(kTen + 2s, "bed 1: alarm 4 cleared"),
                                       At(kTen + 3s, "bed 2: alarm 9 raised (low): TEMP: Upper Limit"),
                                       At(kTen + 4s, "bed 2: alarm 10 raised (urgent): UC: Frequency High"),
                                       At(kTen + 5s, "bed 2: monitor connected from 127.0.0.1:5000")},
                                      kTen + 60s);
  EXPECT_EQ(Lines(cleared), (std::vector<std::string>{"bed 2: alarm 9 cleared"}));
  const std::vector<WardAlarm> history = alarms.History(std::nullopt);
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0].id, 9u);
  EXPECT_EQ(history[0].priority, Priority::Low);
  EXPECT_EQ(history[0].cleared, kTen + 60s);
  EXPECT_EQ(history[1].text, "FHR1: Lower Limit");
  EXPECT_EQ(history[1].acknowledgedBy, "midwife");
  EXPECT_EQ(history[1].cleared, kTen + 2s);
  EXPECT_EQ(alarms.ShowCommunication(2, true, kTen + 61s).at(0).alarm.id, 11u);
}

}  // namespace
