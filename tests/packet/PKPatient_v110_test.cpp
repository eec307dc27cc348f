#include "packet/PKPatient_v110.h"

#include <gtest/gtest.h>

#include <limits>

#include "PacketFieldTable.h"

namespace {

using P = PKPatient_v110;

// Made-up texts of exactly 20 characters: they fill their fields with no terminator.
TEST(PKPatient_v110Layout, NewPacketAndEachField) {
  ExpectLayout<P>(0xB1, 80, {
      {"patient id", [](P& p) { p.SetPatientId("PT-20240117-0042-XYZ"); }, TextBytes(1, "PT-20240117-0042-XYZ"),
       Reads(&P::GetPatientId), "PT-20240117-0042-XYZ"},
      {"last name", [](P& p) { p.SetLastName("Featherstonehaughton"); }, TextBytes(21, "Featherstonehaughton"),
       Reads(&P::GetLastName), "Featherstonehaughton"},
      {"first name", [](P& p) { p.SetFirstName("Annemarie Clementine"); }, TextBytes(41, "Annemarie Clementine"),
       Reads(&P::GetFirstName), "Annemarie Clementine"},
      {"gender", [](P& p) { p.SetGender(200); }, {{61, 200}}, Reads(&P::GetGender), "200"},
      {"year", [](P& p) { p.SetYear(2024); }, {{62, 0xE8}, {63, 0x07}}, Reads(&P::GetYear), "2024"},
      {"month, low 8 bits", [](P& p) { p.SetMonth(300); }, {{64, 44}}, Reads(&P::GetMonth), "44"},
      {"day, low 8 bits", [](P& p) { p.SetDay(-1); }, {{65, 0xFF}}, Reads(&P::GetDay), "255"},
      {"age", [](P& p) { p.SetAge(31); }, {{66, 31}}, Reads(&P::GetAge), "31"},
      {"height x100", [](P& p) { p.SetHeight(172.5); }, {{67, 0x62}, {68, 0x43}}, Reads(&P::GetHeight), "172.5"},
      {"weight x100", [](P& p) { p.SetWeight(58.3); }, {{69, 0xC6}, {70, 0x16}}, Reads(&P::GetWeight), "58.3"},
  });
}

// x100, truncated toward zero, low 16 bits; a value with no integer stores 0xFFFF.
TEST(PKPatient_v110Measures, ScaledValueIsTruncatedToItsLow16Bits) {
  const struct { void (P::*set)(double); int offset; double value; unsigned char low, high; } cases[] = {
      {&P::SetHeight, 67, 160.7, 0xC5, 0x3E},  // 16069: 160.7 x 100 lies just below 16070
      {&P::SetWeight, 69, 700.0, 0x70, 0x11},  // 70000 does not fit: its low 16 bits, 4464
      {&P::SetWeight, 69, std::numeric_limits<double>::quiet_NaN(), 0xFF, 0xFF},
  };
  for (const auto& c : cases) {
    P patient;
    (patient.*c.set)(c.value);
    EXPECT_EQ(Bytes(patient.GetPacket() + c.offset, patient.GetPacket() + c.offset + 2), Bytes({c.low, c.high}))
        << c.value;
  }
  P patient;
  patient.SetHeight(160.7);
  patient.SetWeight(700.0);
  EXPECT_DOUBLE_EQ(patient.GetHeight(), 160.69);  // read back divided by 100
  EXPECT_DOUBLE_EQ(patient.GetWeight(), 44.64);
}

}  // namespace
