// The station with its ward around it, end to end over loopback: a browser that logs in over
// HTTPS and watches a bed, the hospital's admissions and the observations sent to it, with
// python-hl7 as the hospital.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <map>

#include "database/TBLPatient.h"
#include "database/TBLUser.h"
#include "hospital/ChildProcess.h"
#include "hospital/MllpFramer.h"
#include "hospital/PythonHl7.h"
#include "hospital/PythonReceiver.h"
#include "qnutilex/QnAdo.h"
#include "registry/StationDatabase.h"
#include "registry/UserAccounts.h"
#include "ward/StationFixture.h"
#include "ward/StationLog.h"
#include "ward/StudyTimeline.h"
#include "web/LiveSamples.h"
#include "web/TestCertificate.h"
#include "web/WebTestClient.h"

namespace {

using namespace std::chrono_literals;
using TlsConnection = webtest::Connection<webtest::TlsStream>;
using TlsLive = webtest::LiveConnection<webtest::TlsStream>;

constexpr const char* kUser = "midwife";
constexpr const char* kPassword = "Kreissaal 7";

class StationWardTest : public StationFixture {
 protected:
  // The station's database with its tables and one user, as `vudoda db add-user` leaves it.
  void AddUser() {
    StationDatabase db;
    ASSERT_EQ(db.Connect("sqlite:" + DatabaseFile()), std::nullopt);
    TBLUser user(&db.Connection());
    user.m_M_ID = kUser;
    user.m_M_NAME = "Made-up Midwife";
    ASSERT_EQ(UserAccounts(db.Connection()).Add(user, std::string(kPassword)), std::nullopt);
  }

  // The samples of the study that patient `patientId` has, as its recording reads back, timed
  // as the station times them (by the anchors in its events file).
  std::vector<TimedSample> Recorded(const std::string& patientId) {
    const std::string studyId = StudyOf(patientId).m_S_STUDY_ID.GetString();
    const auto now = std::chrono::system_clock::now();
    TraceBatch batch;
    EXPECT_EQ(StudyTimeline::Read(StudyRecording::LinkPath(m_folder.string(), patientId, studyId), now - 24h,
                                  now - 24h, now + 24h, batch),
              std::nullopt);
    return Timed({batch});
  }

  // An ADT message of `event` for patient `pid` (PID-2 on) placed in bed `bed`.
  static std::string Adt(const std::string& event, const std::string& controlId, const std::string& pid, int bed) {
    return "MSH|^~\\&|ADT1|CITY|VUDODA|WARD|20261207050000||ADT^" + event + "^ADT_A01|" + controlId +
           "|P|2.5\rEVN|" + event + "|20261207050000\rPID|1||" + pid + "\rPV1|1|I|MAT^12^" + std::to_string(bed) +
           "\r";
  }

  // python-hl7's mllp_send sends `messages` to the station's admissions port: the MSA-1 of each
  // answer, in order.
  std::vector<std::string> SendAdt(const std::vector<std::string>& messages) {
    const std::string file = File("adt.hl7");
    std::ofstream out(file, std::ios::binary);
    for (const std::string& message : messages) out << MllpFramer::Wrap(message);
    out.close();
    ChildProcess send({"/bin/sh", "-c",
                       std::string("timeout 30 ") + VUDODA_MLLP_SEND + " -p " +
                           std::to_string(m_station->AdmissionsPort()) + " --file " + file + " 127.0.0.1 | " +
                           VUDODA_PYTHON + " " + VUDODA_HL7_PEER + " acks"});
    std::vector<std::string> answers;
    while (std::optional<std::string> line = send.ReadLine(30s)) answers.push_back(line->substr(line->find('\t') + 1, 2));
    EXPECT_EQ(send.Wait(5s), 0);
    return answers;
  }
};

// A midwife logs in over HTTPS with the password `db add-user` stored and watches bed 1: the
// samples its monitor sends reach her live stream with the values and instants that the
// bed's recording holds when read back.
TEST_F(StationWardTest, ALoggedInBrowserReceivesTheLiveSamplesOfABed) {
  TestCertificate certificate;
  ASSERT_TRUE(certificate.Made());
  AddUser();
  StationOptions options = Options(2);
  options.httpAddress = "127.0.0.1:0";
  options.tlsCertificateFile = certificate.Certificate();
  options.tlsKeyFile = certificate.Key();
  StartStation(options);
  const int port = m_station->WebPort();
  ASSERT_GT(port, 0);
  const std::string origin = "https://127.0.0.1:" + std::to_string(port);
  auto tls = webtest::TrustingContext(certificate.Certificate());

  TlsConnection connection(port, &tls);
  ASSERT_FALSE(connection.Open());
  const auto refused = connection.Send(webtest::Request(webtest::http::verb::get, "/api/ward", port));
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->result_int(), 401);
  const auto login = connection.Send(webtest::Request(
      webtest::http::verb::post, "/api/login", port, "", origin, "",
      nlohmann::json{{"user", kUser}, {"password", kPassword}}.dump()));
  ASSERT_TRUE(login);
  ASSERT_EQ(login->result_int(), 200) << login->body();
  const std::string cookie = webtest::CookieOf(*login);
  ASSERT_FALSE(cookie.empty());

  TlsLive live(port, &tls);
  ASSERT_FALSE(live.Open(cookie, origin));
  const auto ward = live.Read();
  ASSERT_TRUE(ward);
  EXPECT_EQ((*ward)["type"], "ward");
  ASSERT_TRUE(live.Send(R"({"subscribe":[1]})"));

  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  const auto nowMs = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  };
  const std::int64_t sentMs = nowMs();
  ASSERT_TRUE(bedside.Send(StationBedside::Link(41, 20000, "TEST-41")));
  std::vector<TimedSample> received;
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (received.size() < 80 && std::chrono::steady_clock::now() < deadline) {
    const auto message = live.Read(2s);
    if (!message) continue;
    const auto more = SamplesOf(*message, 1);
    if ((*message)["type"] == "samples") {
      // A live batch tells when the station took its packet off the link.
      ASSERT_TRUE(message->contains("arrivedMs")) << message->dump();
      EXPECT_GE((*message)["arrivedMs"].get<std::int64_t>(), sentMs);
      EXPECT_LE((*message)["arrivedMs"].get<std::int64_t>(), nowMs());
    }
    received.insert(received.end(), more.begin(), more.end());
  }
  ASSERT_GE(received.size(), 80u);
  bedside.Close();
  StopStation();

  EXPECT_NE(ReadFile(StationLog::PathOf(m_folder.string())).find(" audit: login by \"midwife\" from 127.0.0.1\n"),
            std::string::npos);
  const std::vector<TimedSample> recorded = Recorded("TEST-41");
  ASSERT_GE(recorded.size(), received.size());
  received.resize(80);
  EXPECT_EQ(received, std::vector<TimedSample>(recorded.begin(), recorded.begin() + 80));
  EXPECT_TRUE(received.front().sample.values[0].has_value());
}

// An admission that the database held up completes only as the station stops: the study opens
// then, and its log still gets its link's clock, so that its recording reads back with the
// instants the samples had live (on the station's quarter-second grid).
TEST_F(StationWardTest, AStudyThatOpensAsTheStationStopsKeepsItsLinksClock) {
  StartStation(Options(2));
  QnAdo locker;
  ASSERT_TRUE(locker.Connect(("sqlite:" + DatabaseFile()).c_str()));
  ASSERT_TRUE(locker.ExecuteSQL("BEGIN IMMEDIATE"));
  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedside.Send(StationBedside::Link(44, 10000, "TEST-44")));
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while ((LastRows().empty() || LastRows()[0].fhr1 < 0) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  ASSERT_GE(LastRows().at(0).fhr1, 0) << Events();
  m_station->Stop();
  std::this_thread::sleep_for(300ms);
  ASSERT_TRUE(locker.ExecuteSQL("ROLLBACK"));
  locker.Disconnect();
  StopStation();

  ASSERT_EQ(EventsWith("bed 1: patient TEST-44, new study"), 1u) << Events();
  const std::vector<TimedSample> recorded = Recorded("TEST-44");
  ASSERT_FALSE(recorded.empty());
  EXPECT_EQ(recorded.front().timeMs % 250, 0);
}

// The hospital admits a patient to bed 1 with python-hl7's mllp_send; the monitor that then
// comes to bed 1 without a patient of its own records her study, stored with the hospital's
// name for her. An update changes her name; a discharge ends her study and frees the bed. A
// message from a peer not listed is refused.
TEST_F(StationWardTest, TheHospitalsAdmissionPlacesAPatientInTheBedHerMonitorRecords) {
  REQUIRE_PYTHON_HL7();
  StationOptions options = Options(2);
  options.hl7ListenAddress = "127.0.0.1";
  options.hl7ListenPort = 0;
  options.hl7Peers = {"127.0.0.1"};
  options.emr.folder = File("emr");
  std::filesystem::create_directory(options.emr.folder);
  StartStation(options);
  ASSERT_GT(m_station->AdmissionsPort(), 0);

  EXPECT_EQ(SendAdt({Adt("A01", "ADM1", "HOSP-7^^^CITY^MR||Made-up^Greta||19930412", 1)}),
            (std::vector<std::string>{"AA"}));
  ASSERT_TRUE(WaitForEvent("bed 1: the hospital placed patient HOSP-7 here (ADM1)", 5s)) << Events();

  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedside.Send(StationBedside::Link(42, 10000, "")));
  ASSERT_TRUE(WaitForEvent("bed 1: patient HOSP-7, new study", 10s)) << Events();

  EXPECT_EQ(SendAdt({Adt("A08", "ADM2", "HOSP-7^^^CITY^MR||Made-up-Berg^Greta", 1),
                     Adt("A03", "ADM3", "HOSP-7^^^CITY^MR", 1)}),
            (std::vector<std::string>{"AA", "AA"}));
  ASSERT_TRUE(WaitForEvent("bed 1: the bed is free", 5s)) << Events();
  // The discharge ended the study: its whole strip is in the EMR folder, and nothing else is.
  ASSERT_TRUE(WaitForEvent("is in the EMR folder: HOSP-7", 30s)) << Events();
  StopStation();
  std::vector<std::filesystem::path> strips;
  for (const auto& entry : std::filesystem::directory_iterator(options.emr.folder)) strips.push_back(entry.path());
  ASSERT_EQ(strips.size(), 1u);
  const std::string pdf = ReadFile(strips.front().string());
  EXPECT_TRUE(pdf.starts_with("%PDF-")) << strips.front();
  EXPECT_NE(pdf.find("%%EOF", pdf.size() - 8), std::string::npos) << strips.front();

  QnAdo db;
  ASSERT_TRUE(db.Connect(("sqlite:" + DatabaseFile()).c_str()));
  TBLPatient patient(&db);
  patient.m_P_ID = "HOSP-7";
  ASSERT_TRUE(patient.Get());
  EXPECT_EQ(std::string(patient.m_P_LAST_NAME.GetString()), "Made-up-Berg");
  EXPECT_EQ(std::string(patient.m_P_FIRST_NAME.GetString()), "Greta");
  EXPECT_FALSE(Recorded("HOSP-7").empty());
}

// The instant OBX-14 writes ("20261207050001.250+0000"), in ms since 1970.
std::int64_t Hl7Ms(const std::string& text) {
  std::tm utc{};
  int ms = 0;
  EXPECT_EQ(std::sscanf(text.c_str(), "%4d%2d%2d%2d%2d%2d.%3d+0000", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                        &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ms),
            7)
      << text;
  utc.tm_year -= 1900;
  utc.tm_mon -= 1;
  return static_cast<std::int64_t>(::timegm(&utc)) * 1000 + ms;
}

// Every interval the station sends each monitored bed's observations as an ORU to the
// hospital's receiver (python-hl7's MLLP server): the patient, and each value with the instant
// and the value that the bed's recording holds there.
TEST_F(StationWardTest, ABedsObservationsReachTheHospital) {
  REQUIRE_PYTHON_HL7();
  PythonReceiver receiver(0, 1);
  ASSERT_GT(receiver.Port(), 0);
  StationOptions options = Options(2);
  options.hl7SendHost = "127.0.0.1";
  options.hl7SendPort = receiver.Port();
  options.hl7Interval = 1s;
  StartStation(options);

  const std::vector<unsigned char> link = StationBedside::Link(43, 20000, "TEST-43");
  const std::size_t half = StationBedside::PacketBoundary(link, link.size() / 2);
  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedside.Send(std::span(link).first(half)));
  ASSERT_TRUE(WaitForEvent("bed 1: patient TEST-43, new study", 10s)) << Events();
  ASSERT_TRUE(bedside.Send(std::span(link).subspan(half)));
  const std::optional<nlohmann::json> oru = receiver.Next();
  ASSERT_TRUE(oru) << Events();
  EXPECT_EQ(receiver.Wait(), 0);
  bedside.Close();
  StopStation();

  EXPECT_EQ((*oru)["patient"], "TEST-43");
  std::map<std::int64_t, TraceSample> recorded;
  for (const TimedSample& sample : Recorded("TEST-43")) recorded[sample.timeMs] = sample.sample;
  std::map<std::string, std::size_t> channels{{"1.1.1.1", 0}, {"1.3.1.1", 4}};  // FHR1, UC
  int compared = 0;
  for (const auto& observation : (*oru)["observations"]) {
    const auto channel = channels.find(observation["sub"].get<std::string>());
    if (channel == channels.end()) continue;
    const auto sample = recorded.find(Hl7Ms(observation["time"]));
    ASSERT_NE(sample, recorded.end()) << observation.dump();
    ASSERT_TRUE(sample->second.values[channel->second]) << observation.dump();
    EXPECT_EQ(std::stof(observation["value"].get<std::string>()), *sample->second.values[channel->second]);
    ++compared;
  }
  EXPECT_EQ(compared, 2) << oru->dump();
}

}  // namespace
