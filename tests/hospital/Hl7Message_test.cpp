#include "hospital/Hl7Message.h"

#include <gtest/gtest.h>

#include "hospital/Hl7Ack.h"
#include "hospital/Hl7Time.h"

namespace {

using namespace std::chrono_literals;

Hl7Message Parsed(std::string_view text) {
  std::string fault;
  std::optional<Hl7Message> message = Hl7Message::Parse(text, fault);
  EXPECT_TRUE(message) << fault;
  return message ? *message : Hl7Message();
}

std::string FaultOf(std::string_view text) {
  std::string fault;
  EXPECT_FALSE(Hl7Message::Parse(text, fault)) << text.substr(0, 60);
  return fault;
}

constexpr const char* kAdmission =
    "MSH|^~\\&|ADT1|CITY HOSP|VUDODA|WARD 3|20261025013000||ADT^A01^ADT_A01|MSG00001|P|2.5\r"
    "EVN|A01|20261025013000\r"
    "PID|1||P100^^^CITY^MR~N55^^^STATE^NI||Lind&von&Hagen^Anna^M||19920314|F\r"
    "PV1|1|I|MAT^12^3\r";

TEST(Hl7Message, SplitsSegmentsFieldsRepetitionsComponentsAndSubcomponents) {
  const Hl7Message message = Parsed(kAdmission);
  ASSERT_EQ(message.Segments().size(), 4u);
  EXPECT_EQ(message.Header().Value(1), "|");
  EXPECT_EQ(message.Header().Value(2), "^~\\&");
  EXPECT_EQ(message.Value("MSH", 4), "CITY HOSP");
  EXPECT_EQ(message.Value("MSH", 9, 2), "A01");
  EXPECT_EQ(message.Value("MSH", 10), "MSG00001");
  const Hl7Field& identifiers = message.Find("PID")->Field(3);
  ASSERT_EQ(identifiers.RepetitionCount(), 2u);
  EXPECT_EQ(identifiers.Value(1, 1, 1), "N55");
  EXPECT_EQ(identifiers.Value(5, 1, 1), "NI");
  EXPECT_EQ(message.Value("PID", 5, 1, 2), "von");
  EXPECT_EQ(message.Value("PID", 5, 2), "Anna");
  EXPECT_EQ(message.Value("PV1", 3, 3), "3");
  // Places the message does not have read as empty.
  EXPECT_EQ(message.Value("PID", 5, 9), "");
  EXPECT_EQ(message.Value("PID", 40), "");
  EXPECT_EQ(message.Value("OBX", 1), "");
  EXPECT_EQ(message.Serialise(), kAdmission);
}

TEST(Hl7Message, DecodesEscapeSequencesAndKeepsTheOnesItDoesNotKnow) {
  const struct {
    const char* raw;
    const char* text;
  } cases[] = {
      {"O\\F\\Brien", "O|Brien"},          {"a\\S\\b\\T\\c\\R\\d", "a^b&c~d"},
      {"back\\E\\slash", "back\\slash"},   {"line\\X0D0A\\two", "line\r\ntwo"},
      {"\\Xc3a9\\t\\XC3A9\\", "\xC3\xA9t\xC3\xA9"},
      {"\\H\\bold\\N\\ plain", "bold plain"},  // highlighting dropped, the text kept
      {"keep \\.br\\ this", "keep \\.br\\ this"},
      {"\\Zlocal\\", "\\Zlocal\\"},
      {"odd \\X4\\ hex", "odd \\X4\\ hex"},
      {"bad \\XZZ\\ hex", "bad \\XZZ\\ hex"},
      {"open \\F and", "open \\F and"},
      {"\\P\\", "\\P\\"},  // truncation only where MSH-2 declares it
  };
  const Hl7Delimiters delimiters;
  for (const auto& c : cases) EXPECT_EQ(delimiters.Unescape(c.raw), c.text) << c.raw;
  const Hl7Message message = Parsed(std::string("MSH|^~\\&|\rNTE|1||") + cases[0].raw + "\r");
  EXPECT_EQ(message.Value("NTE", 3), "O|Brien");
}

TEST(Hl7Message, EscapesDelimitersAndControlCharactersWhenWritten) {
  Hl7Message message;
  message.Header().Set(9, "ORU");
  message.Header().Set(9, "R01", 2);
  Hl7Segment& nte = message.Add("NTE");
  nte.Set(3, "O|Brien^x&y~z\\ end\r\n");
  nte.Set(5, "second", 1, 2);
  EXPECT_EQ(message.Serialise(),
            "MSH|^~\\&|||||||ORU^R01\r"
            "NTE|||O\\F\\Brien\\S\\x\\T\\y\\R\\z\\E\\ end\\X0D\\\\X0A\\||&second\r");
  const Hl7Message again = Parsed(message.Serialise());
  EXPECT_EQ(again.Value("NTE", 3), "O|Brien^x&y~z\\ end\r\n");
  EXPECT_EQ(again.Value("NTE", 5, 1, 2), "second");
}

TEST(Hl7Message, TakesTheEncodingCharactersItsHeaderDeclares) {
  const std::string text = "MSH#!@$%#APP#FAC\rPID#1##P1!!!X!MR@P2##Doe!Jane$Lee\r";
  const Hl7Message message = Parsed(text);
  EXPECT_EQ(message.Delimiters().field, '#');
  EXPECT_EQ(message.Delimiters().component, '!');
  EXPECT_EQ(message.Delimiters().repetition, '@');
  EXPECT_EQ(message.Delimiters().escape, '$');
  EXPECT_EQ(message.Delimiters().subcomponent, '%');
  EXPECT_EQ(message.Value("MSH", 3), "APP");
  EXPECT_EQ(message.Find("PID")->Field(3).Value(1, 1, 1), "P2");
  EXPECT_EQ(message.Value("PID", 5, 2), "Jane$Lee");  // "$Lee" is no sequence: kept
  // Written again, the lone escape character is escaped.
  EXPECT_EQ(message.Serialise(), "MSH#!@$%#APP#FAC\rPID#1##P1!!!X!MR@P2##Doe!Jane$E$Lee\r");
  // A truncation character (2.7) is a fifth.
  EXPECT_EQ(Parsed("MSH|^~\\&#|A\r").Delimiters().truncation, '#');
}

TEST(Hl7Message, ReadsLineFeedsAsSegmentEnds) {
  const Hl7Message message = Parsed("MSH|^~\\&|A\r\nPID|1||P1\n\nPV1|1|I\n");
  ASSERT_EQ(message.Segments().size(), 3u);
  EXPECT_EQ(message.Value("PID", 3), "P1");
  EXPECT_EQ(message.Value("PV1", 2), "I");
}

TEST(Hl7Message, RefusesWhatIsNotAMessageWithAReason) {
  const struct {
    std::string text;
    const char* fault;
  } cases[] = {
      {"", "the message is empty"},
      {"\r\n\r", "the message is empty"},
      {"PID|1||P1\r", "the message does not begin with an MSH segment"},
      {"MSH", "the message does not begin with an MSH segment"},
      {"MSHA^~\\&|", "MSH-1 (the field separator) is a letter, a digit, a space or a control character"},
      {"MSH ^~\\& ", "MSH-1 (the field separator) is a letter, a digit, a space or a control character"},
      {"MSH|^~\\|A", "MSH-2 holds 3 encoding characters, not 4 (or 5 with truncation)"},
      {"MSH||A", "MSH-2 holds 0 encoding characters, not 4 (or 5 with truncation)"},
      {"MSH|^~\\&#!|A", "MSH-2 holds 6 encoding characters, not 4 (or 5 with truncation)"},
      {"MSH|^^\\&|A", "MSH-2 (the encoding characters) repeats a delimiter or holds a letter, digit, space or control "
                      "character"},
      {"MSH|^~|&|A", "MSH-2 holds 2 encoding characters, not 4 (or 5 with truncation)"},
      {"MSH|^~\\A|", "MSH-2 (the encoding characters) repeats a delimiter or holds a letter, digit, space or control "
                     "character"},
      {"MSH|^~\\&|A\rpid|1\r", "segment 2 (pid) does not begin with a segment name (three capitals or digits)"},
      {"MSH|^~\\&|A\rPIDX|1\r", "segment 2 (PID) does not begin with a segment name (three capitals or digits)"},
      {"MSH|^~\\&|A\r|1\r", "segment 2 () does not begin with a segment name (three capitals or digits)"},
      {"MSH|^~\\&|A\rMSH|^~\\&|B\r", "segment 2 (MSH) is a second MSH: send one message a frame"},
      {"FHS|^~\\&\rMSH|^~\\&|A\r", "batches (FHS, BHS) are not taken: send one message a frame"},
      {"MSH|^~\\&|\rZZZ|" + std::string(Hl7Message::kMaxValues, '^'), "the message holds more than 100000 values"},
  };
  for (const auto& c : cases) EXPECT_EQ(FaultOf(c.text), c.fault) << c.text.substr(0, 40);
  EXPECT_EQ(FaultOf("MSH|^~\\&|A\r" + std::string(2 * 1024 * 1024 - 10, 'x')),
            "the message has 2097153 bytes, more than 2097152");
  // Many segments without fields cost memory too.
  std::string segments = "MSH|^~\\&|\r";
  for (std::size_t i = 0; i < Hl7Message::kMaxValues; ++i) segments += "ZZZ\r";
  EXPECT_EQ(FaultOf(segments), "the message holds more than 100000 values");
}

TEST(Hl7Message, CarriesAOneMegabyteFieldWhole) {
  const std::string name(1000 * 1000, 'A');
  const std::string text = "MSH|^~\\&|A\rPID|1||P1||" + name + "^Anna\r";
  const Hl7Message message = Parsed(text);
  EXPECT_EQ(message.Value("PID", 5).size(), name.size());
  EXPECT_EQ(message.Value("PID", 5, 2), "Anna");
  EXPECT_EQ(message.Serialise(), text);
}

TEST(Hl7Time, WritesInstantsInUtcWithTheirOffset) {
  const auto instant = std::chrono::sys_days{std::chrono::year(2026) / 10 / 25} + 1h + 30min + 250ms;
  EXPECT_EQ(Hl7Time::Instant(instant), "20261025013000+0000");
  EXPECT_EQ(Hl7Time::Instant(instant, true), "20261025013000.250+0000");
}

TEST(Hl7Time, ReadsTheDayOfADateAndRefusesWhatIsNotOne) {
  using namespace std::chrono;
  std::string fault;
  EXPECT_EQ(Hl7Time::Date("19920314", fault), year(1992) / 3 / 14);
  EXPECT_EQ(Hl7Time::Date("199203141230", fault), year(1992) / 3 / 14);
  EXPECT_EQ(Hl7Time::Date("19920314123059.1234-0500", fault), year(1992) / 3 / 14);
  EXPECT_EQ(Hl7Time::Date("20240229", fault), year(2024) / 2 / 29);
  const struct {
    const char* text;
    const char* fault;
  } refused[] = {
      {"1992031", "'1992031' is not a date YYYYMMDD"},
      {"1992", "'1992' is not a date YYYYMMDD"},
      {"1992-03-14", "'1992-03-14' is not a date YYYYMMDD"},
      {"19920230", "'19920230' is not a day of the calendar"},
      {"20230229", "'20230229' is not a day of the calendar"},
      {"19921314", "'19921314' is not a day of the calendar"},
      {"18490101", "'18490101' is not a day of the calendar"},
      {"1992031425", "'1992031425': its time of day is not HH[MM[SS]]"},
      {"199203141", "'199203141': its time of day is not HH[MM[SS]]"},
      {"19920314x", "'19920314x': its time of day is not HH[MM[SS]]"},
      {"1992031412.", "'1992031412.': its fraction of a second has not 1 to 4 digits"},
      {"19920314+01", "'19920314+01': its UTC offset is not +/-HHMM"},
      {"19920314+0100 ", "'19920314+0100 ': it goes on after its time"},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(Hl7Time::Date(c.text, fault)) << c.text;
    EXPECT_EQ(fault, c.fault);
  }
}

TEST(Hl7Ack, AnswersWithTheSendersSwappedAndTheReasonInMsaAndErr) {
  const Hl7Message received = Parsed(kAdmission);
  EXPECT_EQ(Hl7Ack::Answer(&received, std::nullopt, "ACK1", "20261025013001+0000").Serialise(),
            "MSH|^~\\&|VUDODA|WARD 3|ADT1|CITY HOSP|20261025013001+0000||ACK^A01^ACK|ACK1|P|2.5\r"
            "MSA|AA|MSG00001\r");
  const Hl7Ack::Refusal refusal{"AE", 101, "PID", 3, "PID-3 (patient identifier) is missing"};
  EXPECT_EQ(Hl7Ack::Answer(&received, refusal, "ACK2", "20261025013001+0000").Serialise(),
            "MSH|^~\\&|VUDODA|WARD 3|ADT1|CITY HOSP|20261025013001+0000||ACK^A01^ACK|ACK2|P|2.5\r"
            "MSA|AE|MSG00001|PID-3 (patient identifier) is missing\r"
            "ERR||PID^1^3|101^Required field missing^HL70357|E||||PID-3 (patient identifier) is missing\r");
  // A message that could not be read at all is still answered, its control ID unknown.
  EXPECT_EQ(Hl7Ack::Answer(nullptr, Hl7Ack::Refusal{"AR", 100, "", 0, "the message is empty"}, "ACK3", "T")
                .Serialise(),
            "MSH|^~\\&|VUDODA||||T||ACK^^ACK|ACK3|P|2.6\r"
            "MSA|AR||the message is empty\r"
            "ERR|||100^Segment sequence error^HL70357|E||||the message is empty\r");
}

TEST(Hl7Ack, ReadsTheReplyOfAnAcknowledgement) {
  std::string fault;
  const auto reply = Hl7Ack::Read(Parsed("MSH|^~\\&|R|F|S|G|T||ACK^R01^ACK|9|P|2.6\rMSA|AE|123\rERR||||E||||busy\r"),
                                  fault);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->code, "AE");
  EXPECT_EQ(reply->controlId, "123");
  EXPECT_EQ(reply->text, "busy");  // ERR-8 where MSA-3 says nothing
  EXPECT_FALSE(Hl7Ack::Read(Parsed("MSH|^~\\&|R\rMSA||123\r"), fault));
  EXPECT_EQ(fault, "the answer holds no MSA-1 (acknowledgement code)");
  EXPECT_FALSE(Hl7Ack::Read(Parsed("MSH|^~\\&|R\r"), fault));
}

}  // namespace
