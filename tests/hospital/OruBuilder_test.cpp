#include "hospital/OruBuilder.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/CodePage.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

const sys_time<milliseconds> kMinute = sys_days{year(2026) / 10 / 25} + 1h + 29min;

ObservationReport Report() {
  ObservationReport report;
  report.patientId = "P100";
  report.familyName = "Lind";
  report.givenName = "Zo\xC3\xAB";
  report.birthDate = year(1992) / 3 / 14;
  report.bed = 3;
  report.studyId = "20261025022900";
  report.from = kMinute;
  report.to = kMinute + 1min;
  report.values = {{TraceChannel::FHR1, kMinute + 250ms, 142.25},
                   {TraceChannel::FHR2, kMinute + 250ms, 138},
                   {TraceChannel::MHR, kMinute + 500ms, 88.5},
                   {TraceChannel::UC, kMinute + 750ms, 37.5}};
  using Priority = ObservationReport::Alarm::Priority;
  report.alarms = {{"FHR1", 1, "Upper Limit", Priority::High, kMinute - 10s},
                   {"UC", 2, "Frequency High", Priority::Medium, kMinute},
                   {"TEMP", 6, "Probe Off", Priority::Low, kMinute}};
  return report;
}

OruBuilder Builder() { return OruBuilder({"VUDODA", "DEMO BIRTH CENTRE", "EMR", "CITY"}); }

TEST(OruBuilder, ReportsABedsValuesAndAlarmsAsThePcdProfileShapesThem) {
  std::string fault;
  const std::optional<Hl7Message> message = Builder().Build(Report(), kMinute + 65s, fault);
  ASSERT_TRUE(message) << fault;
  EXPECT_EQ(message->Serialise(),
            "MSH|^~\\&|VUDODA|DEMO BIRTH CENTRE|EMR|CITY|20261025013005+0000||ORU^R01^ORU_R01||P|2.6|||AL|NE||"
            "UNICODE UTF-8|||IHE_PCD_001^IHE PCD^1.3.6.1.4.1.19376.1.6.1.1.1^ISO\r"
            "PID|||P100^^^^MR||Lind^Zo\xC3\xAB||19920314\r"
            "PV1||I|^^3\r"
            "OBR|1||20261025022900^VUDODA|CTG^Cardiotocography^99VDA|||20261025012900.000+0000|"
            "20261025013000.000+0000\r"
            "OBX|1|NM|55283-6^Fetal Heart rate^LN|1.1.1.1|142.25|/min^per minute^UCUM|||||R|||"
            "20261025012900.250+0000\r"
            "OBX|2|NM|55283-6^Fetal Heart rate^LN|1.1.2.1|138|/min^per minute^UCUM|||||R|||20261025012900.250+0000\r"
            "OBX|3|NM|8867-4^Heart rate^LN|1.2.1.1|88.5|/min^per minute^UCUM|||||R|||20261025012900.500+0000\r"
            "OBX|4|NM|VDA-UC^Uterine activity by tocodynamometer^99VDA|1.3.1.1|37.5|{toco}^toco units^UCUM|||||R|||"
            "20261025012900.750+0000\r"
            "OBX|5|CWE|VDA-ALARM^Active alarm^99VDA|1.0.0.1|FHR1-1^FHR1: Upper Limit^99VDA|||PH|||R|||"
            "20261025012850.000+0000\r"
            "OBX|6|CWE|VDA-ALARM^Active alarm^99VDA|1.0.0.2|UC-2^UC: Frequency High^99VDA|||PM|||R|||"
            "20261025012900.000+0000\r"
            "OBX|7|CWE|VDA-ALARM^Active alarm^99VDA|1.0.0.3|TEMP-6^TEMP: Probe Off^99VDA|||PL|||R|||"
            "20261025012900.000+0000\r");
}

TEST(OruBuilder, WritesTheStationsTextsInUtf8) {
  ASSERT_TRUE(SetACP(1252));
  ObservationReport report = Report();
  report.givenName = "Zo\xEB";
  report.alarms = {{"FHR1", 1, "Obergrenze \xFC", ObservationReport::Alarm::Priority::None, kMinute}};
  std::string fault;
  const std::optional<Hl7Message> message = Builder().Build(report, kMinute, fault);
  SetACP(CP_UTF8);
  ASSERT_TRUE(message) << fault;
  EXPECT_EQ(message->Value("PID", 5, 2), "Zo\xC3\xAB");
  const Hl7Segment* alarm = message->Find("OBX", 4);
  ASSERT_NE(alarm, nullptr);
  EXPECT_EQ(alarm->Value(5, 2), "FHR1: Obergrenze \xC3\xBC");
  EXPECT_EQ(alarm->Value(8), "PN");  // no priority given
}

TEST(OruBuilder, RefusesAReportItCannotCarry) {
  const struct {
    void (*change)(ObservationReport&);
    const char* fault;
  } cases[] = {
      {[](ObservationReport& r) { r.values[1].channel = TraceChannel::FECG; },
       "channel 3 is not reported: FHR1, FHR2, MHR and UC are"},
      {[](ObservationReport& r) { r.values[2].value = std::nan(""); }, "a value of 1.2.1.1 is not a number"},
      {[](ObservationReport& r) { r.values[3].value = INFINITY; }, "a value of 1.3.1.1 is not a number"},
      {[](ObservationReport& r) { r.familyName = "Li\xFFnd"; }, "the family name is not text of the station's code page"},
      {[](ObservationReport& r) { r.alarms[0].text = "\xC3"; }, "an alarm's text is not text of the station's code page"},
  };
  for (const auto& c : cases) {
    ObservationReport report = Report();
    c.change(report);
    std::string fault;
    EXPECT_FALSE(Builder().Build(report, kMinute, fault));
    EXPECT_EQ(fault, c.fault);
  }
}

}  // namespace
