// A monitor's 8-bit texts in the station's code page: never refused, converted as well as they
// can be, what was not exact told with the bytes sent; and the patient admitted whatever her
// name holds.
#include "registry/MonitorText.h"

#include <gtest/gtest.h>

#include "database/ScratchDatabase.h"
#include "database/TBLPatient.h"
#include "packet/PKPatient_v110.h"
#include "platform/CodePage.h"
#include "registry/AnnouncedPatient.h"
#include "registry/StationDatabase.h"

namespace {

TEST(MonitorTextTest, TextsAreConvertedFromTheMonitorsCodePageAndWhatIsNotACharacterBecomesAQuestionMark) {
  const struct {
    std::string raw;
    UINT codePage;
    std::string text;
    bool exact;
  } cases[] = {
      {"M\xFCller", 1252, "M\xC3\xBCller", true},             // Latin-1/Western into UTF-8
      {"M\xC3\xBCller", 65001, "M\xC3\xBCller", true},        // a UTF-8 monitor
      {"M\xFCller", 65001, "M?ller", false},                  // Latin-1 read as UTF-8
      {"A\x81Z", 1252, "A?Z", false},                         // 0x81 is no character of 1252
      {"\xB0\xA1", 949, "\xEA\xB0\x80", true},                // Hangul GA
      {"x\xB0", 949, "x?", false},                            // a lone lead byte
      {"\xC3\xBC\xFF\xC3\xBC", 65001, "\xC3\xBC?\xC3\xBC", false},  // one bad byte between two good
      {"", 1252, "", true},
  };
  for (const auto& c : cases) {
    const MonitorText converted = MonitorText::Decode(c.raw, c.codePage);
    EXPECT_EQ(converted.text, c.text) << MonitorText::Hex(c.raw);
    EXPECT_EQ(converted.exact, c.exact) << MonitorText::Hex(c.raw);
  }
  EXPECT_EQ(MonitorText::Hex("M\xFCl"), "4D FC 6C");
}

TEST(MonitorTextTest, AnIdentifierThatIsNotExactIsItsRawBytesSoThatNoTwoPatientsMeet) {
  EXPECT_EQ(MonitorText::Identifier("TEST-21", 1252, 30).text, "TEST-21");
  EXPECT_EQ(MonitorText::Identifier("\xC4-7", 1252, 30).text, "\xC3\x84-7");
  // Two identifiers that differ only in a byte 1252 does not know would both read "A?1".
  const MonitorText first = MonitorText::Identifier("A\x81" "1", 1252, 30);
  const MonitorText second = MonitorText::Identifier("A\x8D" "1", 1252, 30);
  EXPECT_EQ(first.text, "~QYEx");
  EXPECT_EQ(second.text, "~QY0x");
  EXPECT_FALSE(first.exact);
  // Twenty umlauts are forty bytes in UTF-8, beyond the column's thirty: the twenty raw bytes.
  EXPECT_EQ(MonitorText::Identifier(std::string(20, '\xE4'), 1252, 30).text, "~5OTk5OTk5OTk5OTk5OTk5OTk5OQ");
  // A text that begins like a raw one is taken as raw too.
  EXPECT_EQ(MonitorText::Identifier("~QYEx", 1252, 30).text, "~flFZRXg");
}

PKPatient_v110 PatientPacket(const char* id, const char* last, const char* first) {
  PKPatient_v110 packet;
  packet.SetPatientId(id);
  packet.SetLastName(last);
  packet.SetFirstName(first);
  packet.SetYear(1991);
  packet.SetMonth(4);
  packet.SetDay(9);
  return packet;
}

TEST(MonitorTextTest, AnAnnouncedPatientNotesEachTextThatIsNotWhatTheMonitorSent) {
  PKPatient_v110 packet = PatientPacket("P\x81-1", "M\xFCller", "J\x8Frg");
  const AnnouncedPatient patient = AnnouncedPatient::FromPacket(packet, 1252);
  EXPECT_EQ(patient.id, "~UIEtMQ");
  EXPECT_EQ(patient.lastName, "M\xC3\xBCller");
  EXPECT_EQ(patient.firstName, "J?rg");
  EXPECT_EQ(patient.notes,
            (std::vector<std::string>{
                "the patient identifier is not a text of code page 1252 (sent as 50 81 2D 31), taken as \"~UIEtMQ\"",
                "the first name is not a text of code page 1252 (sent as 4A 8F 72 67), taken as \"J?rg\""}));
  EXPECT_EQ(patient.Name(), "M\xC3\xBCller, J?rg");
}

using StationDatabaseTextTest = ScratchDatabaseTest;

// The database refuses a text that is not valid in the process code page; the station used to
// hand it the monitor's raw bytes, and the patient, her study and her recording were lost.
TEST_F(StationDatabaseTextTest, APatientWithALatin1NameIsAdmittedAndARefusalTellsTheDatabasesReason) {
  StationDatabase station;
  ASSERT_EQ(station.Connect(m_uri), std::nullopt);
  PKPatient_v110 packet = PatientPacket("TEST-L1", "M\xFCller", "Zo\xEB");
  EXPECT_EQ(station.Admit(AnnouncedPatient::FromPacket(packet, 1252)), "TEST-L1");
  TBLPatient stored(&m_db);
  stored.m_P_ID = "TEST-L1";
  ASSERT_TRUE(stored.Get());
  EXPECT_STREQ(stored.m_P_LAST_NAME.GetString(), "M\xC3\xBCller");
  EXPECT_STREQ(stored.m_P_FIRST_NAME.GetString(), "Zo\xC3\xAB");
  EXPECT_EQ(Outside("SELECT hex(P_LAST_NAME) FROM TBLPatient;"), "4DC3BC6C6C6572\n");

  // A text the database refuses: the fault is the refusal's, not "no rows" of the look after it.
  AnnouncedPatient raw;
  raw.id = "TEST-L2";
  raw.lastName = "M\xFCller";
  EXPECT_EQ(station.Admit(raw), std::nullopt);
  EXPECT_EQ(station.Fault(), "cannot admit patient TEST-L2: P_LAST_NAME: the text is not valid in the process code page 65001");
}

}  // namespace
