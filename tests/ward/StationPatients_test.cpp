// Who a bed's link is recorded for: every packet in the study of the patient in force when it
// came, a patient whose texts are not the station's code page admitted all the same, a study
// chosen to go on by when it was last written, monitors at their beds, and a link that may not
// change patient at will.
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <filesystem>

#include "database/TBLPatient.h"
#include "link/StreamFramer.h"
#include "packet/PKPatient_v110.h"
#include "qnutilex/QnAdo.h"
#include "ward/AddressedMonitor.h"
#include "ward/StationFixture.h"

namespace {

using namespace std::chrono_literals;
class StationPatientsTest : public StationFixture {
 protected:
  // A study of `patientId` that started at `start` and whose recording was last written `age`
  // seconds ago, as a station stopped before left it.
  void LeaveStudy(QnAdo& db, const char* patientId, const COleDateTime& start, int age) {
    TBLStudy study(&db);
    study.m_S_ID = patientId;
    study.SetStartTime(start, 1);
    ASSERT_TRUE(study.Add());
    StudyRecording recording(patientId, study.m_S_STUDY_ID.GetString());
    ASSERT_EQ(recording.Open(m_folder.string(), StudyRecording::Opening::New, "127.0.0.1"), std::nullopt);
    const std::string path = StudyRecording::LinkPath(m_folder.string(), patientId, study.m_S_STUDY_ID.GetString());
    const std::time_t written = std::time(nullptr) - age;
    const utimbuf times{written, written};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
  }
};

// The link's packets, each as its bytes.
std::vector<Bytes> Packets(const Bytes& link) {
  std::vector<Bytes> packets;
  StreamFramer framer([&](const FrameEvent& event) { packets.emplace_back(event.bytes.begin(), event.bytes.end()); });
  framer.Feed(link);
  framer.Finish();
  return packets;
}

Bytes PatientPacket(const std::string& id, const std::string& last, const std::string& first) {
  PKPatient_v110 patient;
  patient.SetPatientId(id.c_str());
  patient.SetLastName(last.c_str());
  patient.SetFirstName(first.c_str());
  patient.ResetCheckSum();
  return Bytes(patient.GetPacket(), patient.GetPacket() + patient.GetPacketSize());
}

Bytes Concatenated(const std::vector<Bytes>& packets, std::size_t from, std::size_t to) {
  Bytes bytes;
  for (std::size_t index = from; index < to; ++index) bytes.insert(bytes.end(), packets[index].begin(), packets[index].end());
  return bytes;
}

// A monitor that changes patient sends her packet between two others; the station used to
// append the whole read to the study before framing it, so the bytes around the new patient's
// packet went to the old study, and the new one began without the link's beginning.
TEST_F(StationPatientsTest, APatientChangeWithinOneReadSplitsTheLinkAtThePatientsPacket) {
  StartStation();
  const std::vector<Bytes> packets = Packets(StationBedside::Link(11, 10000, "TEST-A"));
  ASSERT_EQ(packets[0][0], 0xB0);  // protocol version, monitor settings, patient, ...
  ASSERT_EQ(packets[1][0], 0xB3);
  std::size_t change = 0;  // after the fourth of eight numerics packets
  for (int numerics = 0; numerics < 4; ++change) numerics += packets[change][0] == 0xC1;
  Bytes link = Concatenated(packets, 0, change);
  const Bytes second = PatientPacket("TEST-B", "Testmother", "Second");
  link.insert(link.end(), second.begin(), second.end());
  const Bytes rest = Concatenated(packets, change, packets.size());
  link.insert(link.end(), rest.begin(), rest.end());

  LinkConnection bedside;
  ASSERT_EQ(bedside.Connect(m_address), std::nullopt);
  ASSERT_TRUE(bedside.Send(link));  // one write: the station reads it at once, or nearly
  ASSERT_TRUE(WaitForEvent("bed 1: patient TEST-B, new study", 10s)) << Events();
  bedside.Close();
  ASSERT_TRUE(WaitForEvent("communication failure", 5s));
  StopStation();

  EXPECT_EQ(RecordingOf("TEST-A"), Text(Concatenated(packets, 0, change)));
  Bytes expected = Concatenated(packets, 0, 2);
  expected.insert(expected.end(), second.begin(), second.end());
  expected.insert(expected.end(), rest.begin(), rest.end());
  EXPECT_EQ(RecordingOf("TEST-B"), Text(expected));
  EXPECT_EQ(StudyOf("TEST-A").m_S_LENGTH, 5);
  EXPECT_EQ(StudyOf("TEST-B").m_S_LENGTH, 5);
}

// A name that is not UTF-8 (the process code page) used to make the admission fail: no study,
// nothing recorded, and "the query gave no rows".
TEST_F(StationPatientsTest, ALatin1NameIsAdmittedAndRecordedAndWhatWasNotATextIsLogged) {
  StartStation();
  std::vector<Bytes> packets = Packets(StationBedside::Link(3, 2500, "TEST-3"));
  ASSERT_EQ(packets[2][0], 0xB1);
  packets[2] = PatientPacket("TEST-3", "M\xFCller", "A\x81");
  const Bytes link = Concatenated(packets, 0, packets.size());
  VisitBed(link, "bed 1: patient TEST-3, new study", 1);
  StopStation();

  EXPECT_EQ(RecordingOf("TEST-3"), Text(link));
  QnAdo db;
  ASSERT_TRUE(db.Connect(("sqlite:" + DatabaseFile()).c_str()));
  TBLPatient patient(&db);
  patient.m_P_ID = "TEST-3";
  ASSERT_TRUE(patient.Get());
  EXPECT_STREQ(patient.m_P_LAST_NAME.GetString(), "M\xC3\xBCller");
  EXPECT_STREQ(patient.m_P_FIRST_NAME.GetString(), "A?");
  const std::string note = "bed 1: the first name is not a text of code page 1252 (sent as 41 81), taken as \"A?\"";
  EXPECT_EQ(EventsWith(note), 1u) << Events();
  const std::string linkPath = StudyRecording::LinkPath(m_folder.string(), "TEST-3", StudyIdTold("bed 1: patient TEST-3"));
  EXPECT_NE(ReadFile(linkPath.substr(0, linkPath.size() - 5) + ".events").find(note), std::string::npos);
}

// After the clock falls back, the study that started at 02:50 (summer time) is older than the
// one that started at 02:10 (winter time); the station used to continue the one with the later
// local start.
TEST_F(StationPatientsTest, TheStudyThatGoesOnIsTheOneLastWrittenNotTheOneWithTheLatestLocalStart) {
  const char* zone = ::getenv("TZ");
  const std::string savedZone = zone ? zone : "";
  ::setenv("TZ", "Europe/Berlin", 1);
  ::tzset();
  StartStation();
  StopStation();  // the database is made
  {
    QnAdo db;
    ASSERT_TRUE(db.Connect(("sqlite:" + DatabaseFile()).c_str()));
    TBLPatient patient(&db);
    patient.m_P_ID = "TEST-D";
    ASSERT_TRUE(patient.Add());
    LeaveStudy(db, "TEST-D", COleDateTime(2026, 10, 25, 2, 50, 0), 120);
    LeaveStudy(db, "TEST-D", COleDateTime(2026, 10, 25, 2, 10, 0), 5);
  }
  StartStation();
  VisitBed(StationBedside::Link(6, 1250, "TEST-D"), "goes on", 1);
  EXPECT_EQ(EventsWith("bed 1: patient TEST-D, study 20261025021000 goes on"), 1u) << Events();
  StopStation();
  zone ? ::setenv("TZ", savedZone.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
}

// Beds used to be handed out in the order monitors connected, also after a restart: on a ward
// view, a patient could show at another bed than hers.
TEST_F(StationPatientsTest, WithAWardFileEachMonitorHasItsBedAndAnyOtherIsRefused) {
  Write("ward.txt", "# the ward\n1 127.0.0.3  Room 1 window\n\n2\t127.0.0.2 # by the door\n");
  StationOptions options = Options(4);
  options.monitorsFile = File("ward.txt");
  for (std::size_t runs = 1; runs <= 2; ++runs) {  // the second after a restart
    StartStation(options);
    EXPECT_EQ(EventsWith("ward file " + File("ward.txt") + ": 2 monitors, each at its bed"), runs);
    AddressedMonitor door;
    ASSERT_TRUE(door.Connect("127.0.0.2", m_port));
    ASSERT_TRUE(WaitForEvents("bed 2: monitor connected from 127.0.0.2:", runs, 5s)) << Events();
    AddressedMonitor window;
    ASSERT_TRUE(window.Connect("127.0.0.3", m_port));
    ASSERT_TRUE(WaitForEvents("bed 1: monitor connected from 127.0.0.3:", runs, 5s)) << Events();
    EXPECT_EQ(EventsWith(" (Room 1 window)"), runs);
    AddressedMonitor stranger;
    ASSERT_TRUE(stranger.Connect("127.0.0.4", m_port));
    EXPECT_EQ(stranger.Told(), "the station refused the link: its address is not in the ward file\n");
    EXPECT_TRUE(WaitForEvents("refused the monitor at 127.0.0.4:", runs, 5s));
    StopStation();
  }
}

TEST_F(StationPatientsTest, AWardFileThatIsNotOneIsRefusedAtStartWithItsLine) {
  const struct {
    std::string text;
    std::string fault;
  } cases[] = {
      {"1 127.0.0.2\n1 127.0.0.3\n", "line 2: bed 1 is named twice"},
      {"1 127.0.0.2\n# x\n2 127.0.0.2\n", "line 3: the monitor at 127.0.0.2 is named twice"},
      {"5 127.0.0.2\n", "line 1: '5' is not a bed from 1 to 4"},
      {"0 127.0.0.2\n", "line 1: '0' is not a bed from 1 to 4"},
      {"one 127.0.0.2\n", "line 1: 'one' is not a bed from 1 to 4"},
      {"\n\n3\n", "line 3: bed 3 names no monitor address"},
      {"1 monitor-1\n", "line 1: 'monitor-1' is not an IP address"},
      {"1 ::ffff:127.0.0.2\n2 127.0.0.2\n", "line 2: the monitor at 127.0.0.2 is named twice"},
  };
  for (const auto& c : cases) {
    StationOptions options = Options(4);
    options.monitorsFile = Write("bad.txt", c.text);
    EXPECT_EQ(TryStart(options), File("bad.txt") + " " + c.fault) << c.text;
  }
  StationOptions options = Options(4);
  options.monitorsFile = File("missing.txt");
  EXPECT_EQ(TryStart(options), "cannot read the ward file " + File("missing.txt"));
}

// One connection used to be able to announce any number of patients, each a study and two files.
TEST_F(StationPatientsTest, ALinkHasAFewPatientsAnHourAndTheLinkOfOneBeyondIsNotRecorded) {
  StartStation();
  const std::vector<Bytes> packets = Packets(StationBedside::Link(8, 2500, "TEST-P0"));
  Bytes link;
  std::vector<Bytes> parts;
  for (int patient = 0; patient < 5; ++patient) {
    Bytes part = patient == 0 ? Concatenated(packets, 0, 2) : Bytes{};
    const Bytes announced = PatientPacket("TEST-P" + std::to_string(patient), "Testmother", "P");
    part.insert(part.end(), announced.begin(), announced.end());
    const Bytes rest = Concatenated(packets, 3, packets.size());
    part.insert(part.end(), rest.begin(), rest.end());
    link.insert(link.end(), part.begin(), part.end());
    parts.push_back(part);
  }
  VisitBed(link, "bed 1: patient TEST-P4 not admitted: the link had 4 patients admitted within the hour", 1);
  StopStation();
  EXPECT_EQ(RecordingOf("TEST-P0"), Text(parts[0]));
  const Bytes context = Concatenated(packets, 0, 2);
  for (int patient = 1; patient < 4; ++patient) {
    EXPECT_EQ(RecordingOf("TEST-P" + std::to_string(patient)), Text(context) + Text(parts[static_cast<std::size_t>(patient)]));
  }
  QnAdo db;
  ASSERT_TRUE(db.Connect(("sqlite:" + DatabaseFile()).c_str()));
  TBLPatient refused(&db);
  refused.m_P_ID = "TEST-P4";
  EXPECT_FALSE(refused.Get());
  EXPECT_FALSE(std::filesystem::exists(m_folder / "Studies" / "TEST-P4"));
}

// A lost patient's identifier used to be enough to take over her study from any connection.
TEST_F(StationPatientsTest, ALostStudyGoesOnOnlyFromItsOwnMonitor) {
  StartStation();
  const Bytes first = StationBedside::Link(21, 2500, "TEST-T");
  {
    AddressedMonitor monitor;
    ASSERT_TRUE(monitor.Connect("127.0.0.2", m_port));
    ASSERT_TRUE(monitor.Send(first));
    ASSERT_TRUE(WaitForEvent("bed 1: patient TEST-T, new study", 10s)) << Events();
  }
  ASSERT_TRUE(WaitForEvent("bed 1: communication failure", 5s));
  const Bytes second = StationBedside::Link(22, 2500, "TEST-T");
  AddressedMonitor other;
  ASSERT_TRUE(other.Connect("127.0.0.3", m_port));
  ASSERT_TRUE(other.Send(second));
  ASSERT_TRUE(WaitForEvent("bed 2: patient TEST-T, new study", 10s)) << Events();
  other.Close();
  ASSERT_TRUE(WaitForEvent("bed 2: communication failure", 5s));
  EXPECT_EQ(EventsWith("goes on"), 0u) << Events();
  StopStation();
  EXPECT_EQ(ReadFile(StudyRecording::LinkPath(m_folder.string(), "TEST-T", StudyIdTold("bed 1: patient TEST-T"))),
            Text(first));
  EXPECT_EQ(ReadFile(StudyRecording::LinkPath(m_folder.string(), "TEST-T", StudyIdTold("bed 2: patient TEST-T"))),
            Text(second));
}

// A returning mother's study goes on only within the reconnect window (ten minutes unless set)
// and only at one bed: a second monitor announcing her while her study is recorded at another
// bed starts a study of its own rather than writing into the same file.
TEST_F(StationPatientsTest, AStudyGoesOnOnlyWithinTheWindowAndOnlyAtOneBed) {
  StartStation();
  StopStation();  // the database is made
  {
    QnAdo db;
    ASSERT_TRUE(db.Connect(("sqlite:" + DatabaseFile()).c_str()));
    for (const char* id : {"TEST-W1", "TEST-W2"}) {
      TBLPatient patient(&db);
      patient.m_P_ID = id;
      ASSERT_TRUE(patient.Add());
    }
    LeaveStudy(db, "TEST-W1", COleDateTime(2026, 12, 1, 8, 0, 0), 11 * 60);
    LeaveStudy(db, "TEST-W2", COleDateTime(2026, 12, 1, 9, 0, 0), 5);
  }
  StartStation();
  VisitBed(StationBedside::Link(7, 1250, "TEST-W1"), "bed 1: patient TEST-W1, new study", 1);

  LinkConnection first, second;
  ASSERT_EQ(first.Connect(m_address), std::nullopt);
  ASSERT_TRUE(first.Send(StationBedside::Link(8, 1250, "TEST-W2")));
  ASSERT_TRUE(WaitForEvent("patient TEST-W2, study 20261201090000 goes on", 10s)) << Events();
  ASSERT_EQ(second.Connect(m_address), std::nullopt);
  ASSERT_TRUE(second.Send(StationBedside::Link(9, 1250, "TEST-W2")));
  ASSERT_TRUE(WaitForEvent("patient TEST-W2, new study", 10s)) << Events();
  EXPECT_EQ(EventsWith("goes on"), 1u) << Events();
  StopStation();
}

}  // namespace
