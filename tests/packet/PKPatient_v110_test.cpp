#include "packet/PKPatient_v110.h"

#include <gtest/gtest.h>

#include <limits>

#include "PacketFieldTable.h"

namespace {

using Patient = PKPatient_v110;
using Case = FieldCase<Patient>;

// Made-up texts of exactly 20 characters: they fill their fields with no terminator.
constexpr char kId[] = "PT-20240117-0042-XYZ";
constexpr char kLastName[] = "Featherstonehaughton";
constexpr char kFirstName[] = "Annemarie Clementine";
static_assert(sizeof(kId) == 21 && sizeof(kLastName) == 21 && sizeof(kFirstName) == 21);

Case Text(const char* field, int offset, const char* text, void (Patient::*set)(CString), CString (Patient::*get)()) {
  return {field, [=](Patient& p) { (p.*set)(text); }, TextBytes(offset, text),
          [=](Patient& p) { EXPECT_STREQ((p.*get)(), text); }};
}

std::vector<Case> PatientFields() {
  return {
      Text("patient id", 1, kId, &Patient::SetPatientId, &Patient::GetPatientId),
      Text("last name", 21, kLastName, &Patient::SetLastName, &Patient::GetLastName),
      Text("first name", 41, kFirstName, &Patient::SetFirstName, &Patient::GetFirstName),
      {"gender", [](Patient& p) { p.SetGender(200); }, {{61, 200}}, [](Patient& p) { EXPECT_EQ(p.GetGender(), 200); }},
      {"year", [](Patient& p) { p.SetYear(2024); }, {{62, 0xE8}, {63, 0x07}},
       [](Patient& p) { EXPECT_EQ(p.GetYear(), 2024); }},
      {"month, low 8 bits", [](Patient& p) { p.SetMonth(300); }, {{64, 44}},
       [](Patient& p) { EXPECT_EQ(p.GetMonth(), 44); }},
      {"day, low 8 bits", [](Patient& p) { p.SetDay(-1); }, {{65, 0xFF}},
       [](Patient& p) { EXPECT_EQ(p.GetDay(), 255); }},
      {"age", [](Patient& p) { p.SetAge(31); }, {{66, 31}}, [](Patient& p) { EXPECT_EQ(p.GetAge(), 31); }},
      {"height x100", [](Patient& p) { p.SetHeight(172.5); }, {{67, 0x62}, {68, 0x43}},
       [](Patient& p) { EXPECT_DOUBLE_EQ(p.GetHeight(), 172.5); }},
      {"weight x100", [](Patient& p) { p.SetWeight(58.3); }, {{69, 0xC6}, {70, 0x16}},
       [](Patient& p) { EXPECT_DOUBLE_EQ(p.GetWeight(), 58.3); }},
  };
}

}  // namespace

TEST(PKPatient_v110Layout, NewPacketIsHeaderZerosAndKey) {
  ExpectFreshPacket<Patient>(0xB1, 80);
  Patient patient;
  EXPECT_STREQ(patient.GetPatientId(), "");
  EXPECT_DOUBLE_EQ(patient.GetHeight(), 0.0);
}

TEST(PKPatient_v110Layout, EachFieldChangesOnlyItsBytes) { ExpectEachFieldChangesOnlyItsBytes(PatientFields()); }

TEST(PKPatient_v110Layout, UnusedBytesSurviveEveryWrite) { ExpectUnownedBytesSurviveAllWrites(PatientFields()); }

// Truncation toward zero, the low 16 bits, and a defined pattern for values with no integer;
// the partner measure is never touched.
TEST(PKPatient_v110Measures, ScaledValueIsTruncatedToItsLow16Bits) {
  const double inf = std::numeric_limits<double>::infinity();
  const auto height = &Patient::SetHeight;
  const auto weight = &Patient::SetWeight;
  struct Row {
    void (Patient::*set)(double);
    int offset;
    double value;
    unsigned char low, high;
  } rows[] = {
      {height, 67, 160.7, 0xC5, 0x3E},  // 16069: 160.7 x 100 lies just below 16070
      {weight, 69, 80.6, 0x7B, 0x1F},   // 8059, likewise
      {weight, 69, 700.0, 0x70, 0x11},  // 70000 does not fit: its low 16 bits, 4464
      {height, 67, -1.5, 0x6A, 0xFF},   // -150 as 16 bits
      {height, 67, std::numeric_limits<double>::quiet_NaN(), 0xFF, 0xFF},
      {height, 67, inf, 0xFF, 0xFF},
      {weight, 69, -inf, 0xFF, 0xFF},
      {weight, 69, 1e12, 0xFF, 0xFF},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    Patient patient;
    patient.SetHeight(1.0);
    patient.SetWeight(2.0);
    std::vector<unsigned char> expected = BytesOf(patient);
    expected[row.offset] = row.low;
    expected[row.offset + 1] = row.high;
    (patient.*row.set)(row.value);
    EXPECT_EQ(BytesOf(patient), expected);
  }
}

TEST(PKPatient_v110Measures, ReadBackDividesBy100) {
  Patient patient;
  patient.SetHeight(160.7);
  patient.SetWeight(700.0);
  EXPECT_DOUBLE_EQ(patient.GetHeight(), 160.69);
  EXPECT_DOUBLE_EQ(patient.GetWeight(), 44.64);
}

TEST(PKPatient_v110Names, FullLengthTextsDoNotSpillIntoTheNextField) {
  Patient patient;
  patient.SetFirstName(kFirstName);
  patient.SetLastName(kLastName);
  patient.SetPatientId(kId);
  EXPECT_STREQ(patient.GetPatientId(), kId);
  EXPECT_STREQ(patient.GetLastName(), kLastName);
  EXPECT_STREQ(patient.GetFirstName(), kFirstName);
}

TEST(PKPatient_v110Copy, FollowsTheFrameRules) { ExpectCopyRules<Patient>(); }
