#include "hospital/AdmissionReader.h"

#include <gtest/gtest.h>

#include "hospital/Hl7Message.h"
#include "platform/CodePage.h"

namespace {

using namespace std::chrono;

constexpr int kBeds = 8;

// An ADT message of the given type with the given PID and PV1 fields (after their names) and
// MSH-18.
std::string Adt(const std::string& type, const std::string& pid, const std::string& pv1 = "1|I|MAT^12^3",
                const std::string& charset = "") {
  std::string text = "MSH|^~\\&|ADT1|CITY|VUDODA|WARD|20261025013000||" + type + "|MSG7|P|2.5";
  if (!charset.empty()) text += "||||||" + charset;
  text += "\rEVN||20261025013000\r";
  if (!pid.empty()) text += "PID|" + pid + "\r";
  if (!pv1.empty()) text += "PV1|" + pv1 + "\r";
  return text;
}

std::variant<AdmissionRecord, Hl7Ack::Refusal> Read(const std::string& text, UINT codePage = CP_UTF8) {
  std::string fault;
  const std::optional<Hl7Message> message = Hl7Message::Parse(text, fault);
  EXPECT_TRUE(message) << fault;
  return AdmissionReader::Read(message ? *message : Hl7Message(), kBeds, codePage);
}

AdmissionRecord Taken(const std::string& text, UINT codePage = CP_UTF8) {
  auto read = Read(text, codePage);
  if (const auto* refusal = std::get_if<Hl7Ack::Refusal>(&read)) ADD_FAILURE() << refusal->text;
  return std::holds_alternative<AdmissionRecord>(read) ? std::get<AdmissionRecord>(read) : AdmissionRecord();
}

Hl7Ack::Refusal Refused(const std::string& text, UINT codePage = CP_UTF8) {
  auto read = Read(text, codePage);
  EXPECT_TRUE(std::holds_alternative<Hl7Ack::Refusal>(read)) << text;
  return std::holds_alternative<Hl7Ack::Refusal>(read) ? std::get<Hl7Ack::Refusal>(read) : Hl7Ack::Refusal();
}

TEST(AdmissionReader, ReadsAnAdmissionIntoARecord) {
  const AdmissionRecord record = Taken(
      Adt("ADT^A01^ADT_A01", "1||N55^^^STATE^NI~P100^^^CITY^MR||Berg^Anna^^^^^M~Lind^Anna^Maria^^^^L||19920314"));
  EXPECT_EQ(record.event, AdmissionRecord::Event::Admit);
  EXPECT_EQ(record.controlId, "MSG7");
  EXPECT_EQ(record.patientId, "P100");  // the medical record number, not the first
  EXPECT_EQ(record.familyName, "Lind");  // the legal name, not the first
  EXPECT_EQ(record.givenName, "Anna");
  EXPECT_EQ(record.birthDate, year(1992) / 3 / 14);
  EXPECT_EQ(record.bed, 3);
}

TEST(AdmissionReader, TellsTheEventAndLeavesOutWhatWasNotGiven) {
  const struct {
    const char* type;
    AdmissionRecord::Event event;
  } events[] = {{"ADT^A01", AdmissionRecord::Event::Admit},
                {"ADT^A04^ADT_A01", AdmissionRecord::Event::Register},
                {"ADT^A08^ADT_A01", AdmissionRecord::Event::Update},
                {"ADT^A03^ADT_A03", AdmissionRecord::Event::Discharge}};
  for (const auto& e : events) EXPECT_EQ(Taken(Adt(e.type, "1||P1")).event, e.event) << e.type;
  // The event in EVN-1 where MSH-9 names none (before version 2.3.1).
  EXPECT_EQ(Taken("MSH|^~\\&|A|B|C|D|2026||ADT|M1|P|2.3\rEVN|A03\rPID|1||P1\r").event,
            AdmissionRecord::Event::Discharge);

  const AdmissionRecord bare = Taken(Adt("ADT^A08", "1||P1||\"\"^^^^^^L||\"\"", ""));
  EXPECT_EQ(bare.patientId, "P1");
  EXPECT_EQ(bare.familyName, std::nullopt);  // the HL7 null "" and an empty value alike
  EXPECT_EQ(bare.givenName, std::nullopt);
  EXPECT_EQ(bare.birthDate, std::nullopt);
  EXPECT_EQ(bare.bed, std::nullopt);
}

TEST(AdmissionReader, PlacesThePatientOnlyInABedOfTheStation) {
  const struct {
    const char* location;
    std::optional<int> bed;
  } cases[] = {{"MAT^12^1", 1}, {"MAT^12^8", 8}, {"MAT^12^08", 8}, {"MAT^12^9", std::nullopt},
               {"MAT^12^0", std::nullopt}, {"MAT^12^-1", std::nullopt}, {"MAT^12^3a", std::nullopt},
               {"MAT^12^B3", std::nullopt}, {"MAT^3", std::nullopt}, {"MAT^12^99999999999", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(Taken(Adt("ADT^A01", "1||P1", std::string("1|I|") + c.location)).bed, c.bed)
      << c.location;
}

TEST(AdmissionReader, RejectsMessagesOfAnotherKindWithAR) {
  const struct {
    std::string text;
    int error;
    int field;
    const char* reason;
  } cases[] = {
      {Adt("ORU^R01", "1||P1"), 200, 9, "message type 'ORU' is not taken: ADT only"},
      {Adt("ADT^A02", "1||P1"), 201, 9, "event 'ADT^A02' is not taken: A01, A04, A08 and A03 are"},
      {"MSH|^~\\&|A|B|C|D|2026||ADT|M1|P|2.3\rPID|1||P1\r", 201, 9,
       "event 'ADT^' is not taken: A01, A04, A08 and A03 are"},
      {"MSH|^~\\&|A|B|C|D|2026||ADT^A01|M1|P|3.0\rPID|1||P1\r", 203, 12, "version '3.0' is not taken: HL7 2.x"},
      {"MSH|^~\\&|A|B|C|D|2026||ADT^A01||P|2.5\rPID|1||P1\r", 101, 10, "MSH-10 (message control ID) is missing"},
      {"MSH|^~\\&|A|B|C|D|2026||ADT^A01|" + std::string(200, '7') + "|P|2.5\rPID|1||P1\r", 102, 10,
       "MSH-10 (message control ID) is longer than 199 bytes"},
  };
  for (const auto& c : cases) {
    const Hl7Ack::Refusal refusal = Refused(c.text);
    EXPECT_EQ(refusal.code, "AR") << c.reason;
    EXPECT_EQ(refusal.error, c.error) << c.reason;
    EXPECT_EQ(refusal.segment, "MSH");
    EXPECT_EQ(refusal.field, c.field) << c.reason;
    EXPECT_EQ(refusal.text, c.reason);
  }
}

TEST(AdmissionReader, AnswersAEForAnAdmissionItCannotTakeAsItStands) {
  const struct {
    std::string text;
    int error;
    const char* segment;
    int field;
    const char* reason;
  } cases[] = {
      {Adt("ADT^A01", ""), 100, "PID", 0, "the message has no PID segment"},
      {Adt("ADT^A01", "1||^^^CITY^MR||Lind^Anna"), 101, "PID", 3, "PID-3 (patient identifier) is missing"},
      {Adt("ADT^A03", "1||\"\""), 101, "PID", 3, "PID-3 (patient identifier) is missing"},
      {Adt("ADT^A01", "1||P1||||19920230"), 102, "PID", 7,
       "PID-7 (birth date): '19920230' is not a day of the calendar"},
      {Adt("ADT^A01", "1||P1||||1992-03-14"), 102, "PID", 7, "PID-7 (birth date): '1992-03-14' is not a date YYYYMMDD"},
      {Adt("ADT^A01", "1||" + std::string(31, 'P')), 102, "PID", 3,
       "PID-3 (patient identifier) has 31 bytes, more than the station's 30"},
      {Adt("ADT^A01", "1||P1||" + std::string(31, 'L') + "^Anna"), 102, "PID", 5,
       "PID-5.1 (family name) has 31 bytes, more than the station's 30"},
      {Adt("ADT^A01", "1||P1||Lind^" + std::string(1000 * 1000, 'A')), 102, "PID", 5,
       "PID-5.2 (given name) has 1000000 bytes, more than the station's 30"},
      {Adt("ADT^A01", "1||P1||Li\\X0A\\nd"), 102, "PID", 5, "PID-5.1 (family name) holds a control character"},
      {Adt("ADT^A01", "1||P1||Lind", "", "8859/15"), 103, "MSH", 18,
       "character set '8859/15' is not read: ASCII, 8859/1, UNICODE UTF-8 or KS X 1001"},
      {Adt("ADT^A01", "1||P1||Ren\xE9", "", "ASCII"), 102, "PID", 5,
       "PID-5.1 (family name) cannot be read in the message's character set or held in the station's code page"},
      {Adt("ADT^A01", "1||P1||Ren\x85", "", "8859/1"), 102, "PID", 5,
       "PID-5.1 (family name) cannot be read in the message's character set or held in the station's code page"},
      {Adt("ADT^A01", "1||P\xC3||Lind"), 102, "PID", 3,
       "PID-3 (patient identifier) cannot be read in the message's character set or held in the station's code page"},
  };
  for (const auto& c : cases) {
    const Hl7Ack::Refusal refusal = Refused(c.text);
    EXPECT_EQ(refusal.code, "AE") << c.reason;
    EXPECT_EQ(refusal.error, c.error) << c.reason;
    EXPECT_EQ(refusal.segment, c.segment) << c.reason;
    EXPECT_EQ(refusal.field, c.field) << c.reason;
    EXPECT_EQ(refusal.text, c.reason);
  }
}

TEST(AdmissionReader, ConvertsTextsIntoTheStationsCodePage) {
  // 8859/1 and UTF-8 into a UTF-8 station, UTF-8 into a Western (1252) and a Korean (949) one.
  EXPECT_EQ(Taken(Adt("ADT^A01", "1||P1||Ren\xE9^Zo\xEB", "", "8859/1")).familyName, "Ren\xC3\xA9");
  EXPECT_EQ(Taken(Adt("ADT^A01", "1||P1||Ren\xC3\xA9^Zo\xC3\xAB", "", "UNICODE UTF-8"), 1252).givenName, "Zo\xEB");
  EXPECT_EQ(Taken(Adt("ADT^A01", "1||P1||\xEA\xB9\x80", "", "UNICODE UTF-8"), 949).familyName, "\xB1\xE8");
  EXPECT_EQ(Taken(Adt("ADT^A01", "1||P1||\xB1\xE8", "", "KS X 1001")).familyName, "\xEA\xB9\x80");
  // A name the station's code page cannot hold is not guessed at.
  const Hl7Ack::Refusal refusal = Refused(Adt("ADT^A01", "1||P1||\xEA\xB9\x80", "", "UNICODE UTF-8"), 1252);
  EXPECT_EQ(refusal.text,
            "PID-5.1 (family name) cannot be read in the message's character set or held in the station's code page");
}

}  // namespace
