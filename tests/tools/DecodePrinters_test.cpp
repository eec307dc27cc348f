// Both printers over the same packets, through the decode command as a user runs it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/ToolRun.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string AsInput(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

void Patch(Bytes& bytes, std::size_t offset, const Bytes& values) {
  std::copy(values.begin(), values.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

Bytes Repeat(int count, unsigned char byte) { return Bytes(count, byte); }

// The numerics packet with no values: C1; FF x10; 7F x5; FF x6; 7F x5; FF x74; FC; FF x6.
Bytes NoValueNumerics() {
  Bytes bytes{0xC1};
  for (const Bytes& part : {Repeat(10, 0xFF), Repeat(5, 0x7F), Repeat(6, 0xFF), Repeat(5, 0x7F),
                            Repeat(74, 0xFF), Bytes{0xFC}, Repeat(6, 0xFF)}) {
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  return bytes;
}

Bytes FreshPacket(unsigned char header, int size) {
  Bytes bytes(size, 0x00);
  bytes.front() = header;
  bytes.back() = 0xFF;
  return bytes;
}

Bytes KnownNumerics() {
  Bytes bytes = NoValueNumerics();
  Patch(bytes, 1, {0x10, 0x27, 0x00, 0x00});               // time stamp 10000
  Patch(bytes, 5, {0x01});                                 // FHR1 alarm status
  Patch(bytes, 6, {0x8C, 0x8D, 0xFF, 0x8F, 0x90});         // FHR1, the third sample missing
  Patch(bytes, 11, {0x80, 0x00, 0x03, 0x00, 0x00});        // FM1 counts, FMD1 mark on the first
  Patch(bytes, 62, {0x78, 0x00, 0x5D, 0x00, 0x50, 0x00});  // NIBP 120 / 93 / 80 ...
  Patch(bytes, 68, {0x03});                                // ... but not measured (status 3)
  Patch(bytes, 70, {0x70, 0x01});                          // temperature 36.8
  Patch(bytes, 101, {0xFD});                               // marker
  return bytes;
}

Bytes KnownPatient() {
  Bytes bytes = FreshPacket(0xB1, 80);
  Patch(bytes, 1, {'S', 'I', 'M', '-', '1'});
  Patch(bytes, 21, {'R', 'e', 'n', 0xE9, 0x01, '"'});  // a Western code-page letter, a control
  Patch(bytes, 67, {0x62, 0x43});                      // height 172.50
  return bytes;
}

Bytes KnownWave() {
  Bytes bytes = FreshPacket(0xC0, 56);
  Patch(bytes, 1, {0xFE, 0xFF});   // ECG sample 0: -2
  Patch(bytes, 34, {0x00, 0x80});  // FECG sample 3: no value
  return bytes;
}

Bytes KnownAlarm() {
  Bytes bytes = FreshPacket(0xB2, 60);
  Patch(bytes, 1, {0x12});                     // FHR1 enabled 1, level 2
  Patch(bytes, 32, {0x68, 0x01, 0x8B, 0x01});  // temperature limits 36.0, 39.5
  return bytes;
}

struct PrinterCase {
  const char* name;
  Bytes packet;
  std::vector<std::string> textLines;
  std::vector<std::string> jsonParts;
};

const PrinterCase kCases[] = {
    {"Numerics",
     KnownNumerics(),
     {"offset 0: PKParam_v110, key 0xFF", "  TimeStamp           10000", "  FHR1Alarm           1",
      "  FHR1                140 141 absent 143 144", "  FM1                 0 0 3 0 0",
      "  FMD1                128 0 0 0 0", "  FHR2                absent (all 5)",
      "  NIBPSys             absent", "  NIBPStatus          3", "  Temp                36.8",
      "  Marker              1", "  Stimulator          0"},
     {R"({"event":"packet","offset":0,"packet":"PKParam_v110","key":255,"fields":{)"
      R"("TimeStamp":10000,"FHR1Alarm":1,"FHR1":[140,141,null,143,144],"FM1":[0,0,3,0,0],)"
      R"("FMD1":[128,0,0,0,0],)",
      R"("NIBPSys":null,"NIBPMean":null,"NIBPDia":null,"NIBPStatus":3,)", R"("Temp":36.8,)",
      R"("Marker":1,"Stimulator":0}})"}},
    {"PatientTexts",
     KnownPatient(),
     {"  PatientId           \"SIM-1\"", "  LastName            \"Ren\xE9\\x01\\\"\"",
      "  FirstName           \"\"", "  Height              172.50"},
     {R"("PatientId":"SIM-1","LastName":"Ren)"
      "\xEF\xBF\xBD"
      R"(\u0001\"","FirstName":"",)",
      R"("Height":172.5,)"}},
    {"Waveform",
     KnownWave(),
     {"  ECG                 -2 0 0 0 0 0 0 0 0 0 0 0",
      "  FECG                0 0 0 absent 0 0 0 0 0 0 0 0"},
     {R"("ECG":[-2,0,0,0,0,0,0,0,0,0,0,0],"SpO2":[0,0,0],"FECG":[0,0,0,null,0,)"}},
    {"AlarmSettings",
     KnownAlarm(),
     {"  FHR1AlarmEnable     1", "  FHR1Level           2", "  TempLimit           36.0 39.5"},
     {R"("fields":{"FHR1AlarmEnable":1,"FHR1Level":2,"FHR1Limit":[0,0],)",
      R"("TempLimit":[36.0,39.5],)"}},
};

class DecodePrinterCases : public testing::TestWithParam<PrinterCase> {};

TEST_P(DecodePrinterCases, TextShowsFieldsByNameWithAbsentValues) {
  const ToolRun run = RunVudoda({"decode"}, AsInput(GetParam().packet));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const std::string& line : GetParam().textLines) {
    EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << "missing line: " << line << "\n"
                                                            << run.out;
  }
}

TEST_P(DecodePrinterCases, JsonShowsTheSameFieldsWithNullForAbsent) {
  const ToolRun run = RunVudoda({"decode", "--json"}, AsInput(GetParam().packet));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const std::string& part : GetParam().jsonParts) {
    EXPECT_NE(run.out.find(part), std::string::npos) << "missing: " << part << "\n" << run.out;
  }
}

INSTANTIATE_TEST_SUITE_P(DecodePrinters, DecodePrinterCases, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

const char kMixedStream[] = "01 02 03 B0 01 0A FF C1 00";

TEST(DecodePrinters, TextReportsUnknownBytesTruncatedTailAndCounts) {
  const ToolRun run = RunVudoda({"decode", "--hex"}, kMixedStream);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "offset 0: 3 unknown bytes\n"
            "offset 3: PKProtocolVer, key 0xFF\n"
            "  Version             \"1.10\"\n"
            "offset 7: truncated tail, 2 bytes of a 108-byte PKParam_v110\n"
            "summary: 1 packet (1 PKProtocolVer); 3 unknown bytes in 1 run; "
            "2 bytes in a truncated tail\n");
}

TEST(DecodePrinters, JsonReportsUnknownBytesTruncatedTailAndCounts) {
  const ToolRun run = RunVudoda({"decode", "--hex", "--json"}, kMixedStream);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(
      run.out,
      R"({"event":"unknown","offset":0,"length":3})"
      "\n"
      R"({"event":"packet","offset":3,"packet":"PKProtocolVer","key":255,"fields":{"Version":"1.10"}})"
      "\n"
      R"({"event":"truncated","offset":7,"length":2,"packet":"PKParam_v110"})"
      "\n"
      R"({"event":"summary","packets":{"PKControl":0,"PKProtocolVer":1,"PKPatient_v110":0,)"
      R"("PKAlarm_v110":0,"PKMonitor_v110":0,"PKWave_v110":0,"PKParam_v110":0},)"
      R"("unknown_bytes":3,"unknown_runs":1,"truncated_bytes":2})"
      "\n");
}

}  // namespace
