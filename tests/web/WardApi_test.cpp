#include "web/WebServerTest.h"

namespace {

using namespace std::chrono_literals;
namespace http = webtest::http;
using Instant = std::chrono::system_clock::time_point;

// 2026-10-25 01:30:00 UTC (03:30 in Berlin, half an hour before the clocks go back).
const Instant kHalfPastOne{std::chrono::milliseconds(1792891800000)};

WardAlarm MadeUpAlarm(std::uint64_t id, int bed, const char* text, Instant since) {
  WardAlarm alarm;
  alarm.id = id;
  alarm.bed = bed;
  alarm.priority = WardAlarm::Priority::High;
  alarm.text = text;
  alarm.since = since;
  return alarm;
}

class WardApiTest : public WebServerTest {
 protected:
  void SetUp() override {
    Start();
    OnLoop([this] {
      WardAlarm fhr = MadeUpAlarm(7, 1, "FHR1: upper limit", kHalfPastOne);
      m_ward->Bed(1).alarms.push_back(fhr);
      fhr.cleared = kHalfPastOne + 1min;
      m_ward->m_alarms.push_back(fhr);
      WardAlarm link = MadeUpAlarm(8, 2, "communication failure", kHalfPastOne - 45min);
      link.priority = WardAlarm::Priority::Medium;
      m_ward->m_alarms.push_back(link);
    });
    const auto login = LogIn();
    ASSERT_TRUE(login);
    m_login = *login;
  }

  webtest::HttpResponse Fetch(const std::string& target) {
    const auto response = Send(Get(target, m_login.cookie));
    EXPECT_TRUE(response) << target;
    return response.value_or(webtest::HttpResponse{});
  }

  webtest::HttpResponse Write(const std::string& target, const Login& login, const std::string& body) {
    const auto response = Send(Post(target, login, body));
    EXPECT_TRUE(response) << target;
    return response.value_or(webtest::HttpResponse{});
  }

  std::vector<AuditEntry> AuditOf(AuditEntry::Action action) {
    std::vector<AuditEntry> lines;
    for (const AuditEntry& entry : m_ward->AuditLines()) {
      if (entry.action == action) lines.push_back(entry);
    }
    return lines;
  }

  Login m_login;
};

TEST_F(WardApiTest, TheWardIsEveryBedAsItIsNow) {
  const auto response = Fetch("/api/ward");
  EXPECT_EQ(response.result_int(), 200);
  EXPECT_EQ(webtest::View(response[http::field::content_type]), "application/json");
  const auto beds = nlohmann::json::parse(response.body())["beds"];
  ASSERT_EQ(beds.size(), 4u);
  EXPECT_EQ(beds[0].dump(),
            R"({"alarms":[{"acknowledgedBy":null,"acknowledgedMs":null,"bed":1,"clearedMs":null,"id":7,)"
            R"("priority":"high","sinceMs":1792891800000,"text":"FHR1: upper limit"}],"bed":1,"fhr1":141,)"
            R"("fhr2":null,"link":"connected","mhr":82,"patientId":"TEST-1","patientName":"Testmother Anna",)"
            R"("studyId":"20261025023000","uc":17})");
  EXPECT_EQ(beds[3].dump(),
            R"({"alarms":[],"bed":4,"fhr1":null,"fhr2":null,"link":"free","mhr":null,"patientId":"",)"
            R"("patientName":"","studyId":"","uc":null})");
}

TEST_F(WardApiTest, ATraceIsItsSamplesByChannelWithTheAlarmsOverIt) {
  OnLoop([this] { return m_ward->Produce(1, kHalfPastOne, 6); });
  const auto response = Fetch("/api/beds/1/trace?from=1792891800000&to=1792891860000");
  ASSERT_EQ(response.result_int(), 200) << response.body();
  EXPECT_EQ(response.body(),
            R"({"alarmCodes":{"UC":[2,0,0,0,0,0]},"alarms":[{"acknowledgedBy":null,"acknowledgedMs":null,"bed":1,)"
            R"("clearedMs":1792891860000,"id":7,"priority":"high","sinceMs":1792891800000,"text":"FHR1: upper limit"}],)"
            R"("bed":1,"count":6,"marks":[1,0,0,0,0,0],"periodMs":250,"startMs":1792891800000,)"
            R"("values":{"FHR1":[110,110.25,110.5,110.75,111,111.25],"FHR2":[null,120.5,120.5,120.5,120.5,120.5],)"
            R"("UC":[0,0.5,1,1.5,2,2.5]}})");
  const auto [from, to] = OnLoop([this] { return m_ward->m_lastTrace; });
  EXPECT_EQ(from, kHalfPastOne);
  EXPECT_EQ(to, kHalfPastOne + 1min);
}

// A value that is no number (a broken recording's) cannot be written as JSON: it reads as absent.
TEST_F(WardApiTest, AValueThatIsNoNumberIsNull) {
  TraceBatch batch;
  batch.start = kHalfPastOne;
  batch.samples.resize(2);
  batch.samples[0].Value(TraceChannel::FHR1) = std::numeric_limits<float>::quiet_NaN();
  batch.samples[0].Value(TraceChannel::FHR2) = std::numeric_limits<float>::infinity();
  batch.samples[1].Value(TraceChannel::FHR1) = 0.1f;
  batch.samples[1].Value(TraceChannel::FHR2) = -12.5f;
  OnLoop([&] { m_ward->Record(3, batch); });
  EXPECT_EQ(Fetch("/api/beds/3/trace?from=1792891800000&to=1792891860000").body(),
            R"({"alarms":[],"bed":3,"count":2,"periodMs":250,"startMs":1792891800000,)"
            R"("values":{"FHR1":[null,0.1],"FHR2":[null,-12.5]}})");
}

TEST_F(WardApiTest, ATraceSpanIsTheLastTenMinutesUnlessGivenAndAtMostTwoHours) {
  const auto before = std::chrono::system_clock::now();
  EXPECT_EQ(Fetch("/api/beds/2/trace").result_int(), 200);
  const auto [from, to] = OnLoop([this] { return m_ward->m_lastTrace; });
  EXPECT_EQ(to - from, 10min);
  EXPECT_GE(to, before);

  const std::string tooLong = "/api/beds/2/trace?from=1792884600000&to=1792891800001";  // 2 h and 1 ms
  EXPECT_EQ(Fetch(tooLong).result_int(), 400);
  EXPECT_EQ(Fetch(tooLong).body(), R"({"error":"the span may be at most 2 hours; ask for it in parts"})");
  EXPECT_EQ(Fetch("/api/beds/2/trace?from=1792884600000&to=1792891800000").result_int(), 200);
  for (const char* span : {"?from=5&to=5", "?from=9&to=5", "?from=x&to=5", "?from=-5&to=5", "?from=&to=5",
                           "?from=99999999999999999999&to=5", "?to=1e3"}) {
    const auto refused = Fetch(std::string("/api/beds/2/trace") + span);
    EXPECT_EQ(refused.result_int(), 400) << span;
    EXPECT_EQ(refused.body(), R"({"error":"from= and to= must be milliseconds since 1970 UTC, from before to"})")
        << span;
  }
  EXPECT_EQ(Fetch("/api/beds/9/trace").body(), R"({"error":"no such bed"})");
  EXPECT_EQ(Fetch("/api/beds/0/trace").body(), R"({"error":"there is no such bed"})");
  EXPECT_EQ(Fetch("/api/beds/4294967297/trace").result_int(), 404);
}

TEST_F(WardApiTest, AStripIsThePdfOfItsSpan) {
  const auto response = Fetch("/api/beds/2/strip.pdf?from=1792889100000&to=1792891800000");
  ASSERT_EQ(response.result_int(), 200);
  EXPECT_EQ(response.body(), FakeWard::kPdf);
  EXPECT_EQ(webtest::View(response[http::field::content_type]), "application/pdf");
  EXPECT_EQ(webtest::View(response[http::field::content_disposition]), "inline; filename=\"bed-2.pdf\"");
  EXPECT_EQ(webtest::View(response[http::field::cache_control]), "no-store");
  const auto [from, to] = OnLoop([this] { return m_ward->m_lastStrip; });
  EXPECT_EQ(from, kHalfPastOne - 45min);
  EXPECT_EQ(to, kHalfPastOne);

  EXPECT_EQ(Fetch("/api/beds/2/strip.pdf").result_int(), 200);
  EXPECT_EQ(OnLoop([this] { return m_ward->m_lastStrip.second - m_ward->m_lastStrip.first; }), 30min);
  EXPECT_EQ(Fetch("/api/beds/2/strip.pdf?from=1792805400000&to=1792891800000").result_int(), 200);  // 24 h
  EXPECT_EQ(Fetch("/api/beds/2/strip.pdf?from=1792805399999&to=1792891800000").result_int(), 400);
  EXPECT_EQ(Fetch("/api/beds/7/strip.pdf").result_int(), 404);
}

TEST_F(WardApiTest, TheAlarmHistoryOfTheWardAndOfABed) {
  const auto ward = nlohmann::json::parse(Fetch("/api/alarms").body())["alarms"];
  ASSERT_EQ(ward.size(), 2u);
  EXPECT_EQ(ward[0]["id"], 7);
  EXPECT_EQ(ward[1]["id"], 8);
  const auto bed = nlohmann::json::parse(Fetch("/api/beds/2/alarms").body())["alarms"];
  ASSERT_EQ(bed.size(), 1u);
  EXPECT_EQ(bed[0].dump(),
            R"({"acknowledgedBy":null,"acknowledgedMs":null,"bed":2,"clearedMs":null,"id":8,"priority":"medium",)"
            R"("sinceMs":1792889100000,"text":"communication failure"})");
}

TEST_F(WardApiTest, AnAcknowledgementIsAuditedAndTheFirstOneStands) {
  const auto acknowledged = Write("/api/alarms/8/acknowledge", m_login, "{}");
  ASSERT_EQ(acknowledged.result_int(), 200);
  EXPECT_EQ(nlohmann::json::parse(acknowledged.body())["acknowledgedBy"], "midwife");
  const auto other = LogIn(FakeWard::kOtherUser, FakeWard::kOtherPassword);
  ASSERT_TRUE(other);
  const auto again = Write("/api/alarms/8/acknowledge", *other, "{}");
  EXPECT_EQ(nlohmann::json::parse(again.body())["acknowledgedBy"], "midwife");

  const auto lines = AuditOf(AuditEntry::Action::Acknowledge);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].user, "midwife");
  EXPECT_EQ(lines[0].address, "127.0.0.1");
  EXPECT_EQ(lines[0].detail, "alarm 8 of bed 2: communication failure");
  EXPECT_EQ(lines[1].user, "obstetrician");

  const auto unknown = Write("/api/alarms/99/acknowledge", m_login, "{}");
  EXPECT_EQ(unknown.result_int(), 404);
  EXPECT_EQ(unknown.body(), R"({"error":"there is no alarm 99"})");
}

TEST_F(WardApiTest, ThePatientIsReadWithTheVersionOfHerRecord) {
  const auto response = Fetch("/api/beds/1/patient");
  ASSERT_EQ(response.result_int(), 200);
  EXPECT_EQ(response.body(),
            R"({"birthday":"1992-03-14","firstName":"Anna","id":"TEST-1","lastName":"Testmother","version":"1"})");
  EXPECT_EQ(Fetch("/api/beds/3/patient").result_int(), 404);
  EXPECT_EQ(Fetch("/api/beds/3/patient").body(), R"({"error":"bed 3 is free"})");
}

// Two people correct the same patient from what they both read: the first correction lands, the
// second is refused with the record as it now stands, and only the one that landed is audited.
TEST_F(WardApiTest, OfTwoCorrectionsOfOneVersionTheSecondIsAConflict) {
  const auto other = LogIn(FakeWard::kOtherUser, FakeWard::kOtherPassword);
  ASSERT_TRUE(other);
  const std::string first =
      R"({"id":"TEST-1","firstName":"Anna","lastName":"Testmother-Lind","birthday":"1992-03-14","version":"1"})";
  const std::string second = R"({"id":"TEST-1","firstName":"Ana","lastName":"Testmother","birthday":null,"version":"1"})";

  const auto landed = Write("/api/beds/1/patient", m_login, first);
  ASSERT_EQ(landed.result_int(), 200) << landed.body();
  EXPECT_EQ(landed.body(),
            R"({"birthday":"1992-03-14","firstName":"Anna","id":"TEST-1","lastName":"Testmother-Lind","version":"2"})");
  const auto conflict = Write("/api/beds/1/patient", *other, second);
  EXPECT_EQ(conflict.result_int(), 409);
  EXPECT_EQ(conflict.body(),
            R"({"error":"someone else corrected this patient meanwhile","patient":{"birthday":"1992-03-14",)"
            R"("firstName":"Anna","id":"TEST-1","lastName":"Testmother-Lind","version":"2"}})");
  EXPECT_EQ(Fetch("/api/beds/1/patient").body(), landed.body());

  const auto lines = AuditOf(AuditEntry::Action::CorrectPatient);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].user, "midwife");
  EXPECT_EQ(lines[0].detail, "bed 1: ID \"TEST-1\", name \"Anna Testmother-Lind\", birthday 1992-03-14");

  // The one refused reads again and corrects from the new version.
  const auto retried = Write("/api/beds/1/patient", *other,
                             R"({"id":"TEST-1","firstName":"Ana","lastName":"Testmother","birthday":null,"version":"2"})");
  EXPECT_EQ(retried.result_int(), 200);
  EXPECT_EQ(nlohmann::json::parse(retried.body())["birthday"], nullptr);
}

TEST_F(WardApiTest, ACorrectionThatCannotBeStoredIsRefusedWithTheReason) {
  const std::map<std::string, std::string> refusals{
      {R"({"id":"TEST-1","firstName":"Anna","lastName":"T"})", "\"version\" must be text"},
      {R"({"id":"TEST-1","firstName":"Anna","lastName":"T","version":1})", "\"version\" must be text"},
      {R"({"id":"TEST-1","firstName":"Anna","lastName":"T","birthday":"1992-02-30","version":"1"})",
       "\"birthday\" must be a date YYYY-MM-DD or null"},
      {R"({"id":"TEST-1","firstName":"Anna","lastName":"T","birthday":"1992-3-14","version":"1"})",
       "\"birthday\" must be a date YYYY-MM-DD or null"},
      {R"({"id":"TEST-1","firstName":"Anna","lastName":"T","birthday":19920314,"version":"1"})",
       "\"birthday\" must be a date YYYY-MM-DD or null"},
      {R"({"id":"TEST-1","firstName":"An\u0007na","lastName":"T","version":"1"})",
       "\"firstName\" holds a control character"},
      {R"({"id":"TEST-1","firstName":")" + std::string(65, 'a') + R"(","lastName":"T","version":"1"})",
       "\"firstName\" is longer than 64 bytes"},
      {R"(["TEST-1"])", "the correction must be a JSON object"},
  };
  for (const auto& [body, reason] : refusals) {
    const auto response = Write("/api/beds/1/patient", m_login, body);
    EXPECT_EQ(response.result_int(), 400) << body;
    EXPECT_EQ(response.body(), (nlohmann::json{{"error", reason}}.dump())) << body;
  }
  const auto invalid = Write("/api/beds/1/patient", m_login, R"({"id":"","firstName":"A","lastName":"T","version":"1"})");
  EXPECT_EQ(invalid.result_int(), 422);
  EXPECT_EQ(invalid.body(), R"({"error":"a patient needs an ID"})");
  EXPECT_EQ(Write("/api/beds/3/patient", m_login, R"({"id":"X","firstName":"A","lastName":"T","version":"1"})")
                .result_int(),
            404);
  EXPECT_TRUE(AuditOf(AuditEntry::Action::CorrectPatient).empty());
  EXPECT_EQ(nlohmann::json::parse(Fetch("/api/beds/1/patient").body())["version"], "1");
}

}  // namespace
