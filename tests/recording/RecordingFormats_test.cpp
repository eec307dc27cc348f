// Reading and writing recordings, each written here from the format's description.
#include <sstream>

#include "link/RecordingScratch.h"
#include "recording/RecordingReader.h"
#include "recording/RecordingWriter.h"
#include "recording/TimeZoneScope.h"

namespace {

// Samples as "FHR1/FHR2/MHR/UC" with '-' for absent, e.g. "140.25/-/-/12.5".
std::vector<std::string> ReadAll(const std::string& path, std::optional<std::int64_t>* start = nullptr) {
  std::string fault;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(path, fault);
  EXPECT_NE(reader, nullptr) << fault;
  if (!reader) return {};
  if (start != nullptr) *start = reader->StartTime();
  std::vector<std::string> samples;
  TraceSample sample;
  while (reader->Next(sample)) {
    std::ostringstream text;
    const char* separator = "";
    for (TraceChannel channel : {TraceChannel::FHR1, TraceChannel::FHR2, TraceChannel::MHR, TraceChannel::UC}) {
      text << separator;
      if (sample.Value(channel)) text << *sample.Value(channel); else text << '-';
      separator = "/";
    }
    samples.push_back(text.str());
  }
  EXPECT_EQ(reader->Fault(), std::nullopt);
  EXPECT_EQ(samples.size(), reader->SampleCount());
  return samples;
}

std::string OpenFault(const std::string& path) {
  std::string fault;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(path, fault);
  EXPECT_EQ(reader, nullptr) << path;
  return fault;
}

using RecordingFormats = RecordingScratch;

TEST_F(RecordingFormats, ReadsFhrAndFhrmRecords) {
  // Start 2021-03-04 05:06:07 UTC = 0x60406ABF; FHR in quarter bpm, TOCO in half units.
  const Bytes start = {0xBF, 0x6A, 0x40, 0x60};
  const std::string fhr = Write("a.fhr", Join({start, Words({561, 0}), {25, 0}, Words({0, 600}), {255, 7}}));
  std::optional<std::int64_t> startTime;
  EXPECT_EQ(ReadAll(fhr, &startTime), (std::vector<std::string>{"140.25/-/-/12.5", "-/150/-/127.5"}));
  EXPECT_EQ(startTime, 1614834367);

  const std::string fhrm = Write("b.fhrm", Join({Bytes{0, 0, 0, 0}, Words({480, 481, 322}), {0, 99}}));
  EXPECT_EQ(ReadAll(fhrm, &startTime), (std::vector<std::string>{"120/120.25/80.5/-"}));
  EXPECT_EQ(startTime, std::nullopt);  // 0: unknown
}

TEST_F(RecordingFormats, ReadsWfdbByTheHeadersGainsBaselinesAndNames) {
  // UC first, an ignored signal between, FHR with a baseline; the start gives time and date, on
  // the wall: 08:30 in Berlin in winter is 07:30 UTC.
  const TimeZoneScope berlin("Europe/Berlin");
  Write("r1.hea",
        "# a made-up record\n"
        "r1 3 4 2 08:30:00 25/12/2019\n"
        "r1.dat 16 50(1000)/nd 12 0 0 0 0 UC\n"
        "r1.dat 16 200/mV 12 0 0 0 0 ECG lead II\n"
        "r1.dat 16 100(0)/bpm 12 0 0 0 0 FHR\n");
  // UC (1625-1000)/50 = 12.5; FHR 14025/100 = 140.25; then UC 1000 is 0 (no signal), FHR -32768.
  Write("r1.dat", Words({1625, 7, 14025, 1000, 7, -32768}));
  std::optional<std::int64_t> startTime;
  EXPECT_EQ(ReadAll(File("r1.hea"), &startTime), (std::vector<std::string>{"140.25/-/-/12.5", "-/-/-/-"}));
  EXPECT_EQ(startTime, 1577259000);

  // A comment line gives the base time's offset from UTC, whatever the process's zone.
  Write("r2.hea", "r2 1 4 1 08:30:00 25/12/2019\nr1.dat 16 100 12 0 0 0 0 FHR\n#  UTC offset:  -05:30 (a note)\n");
  EXPECT_EQ(ReadAll(File("r2.hea"), &startTime), (std::vector<std::string>{"16.25/-/-/-"}));
  EXPECT_EQ(startTime, 1577262600 + 5 * 3600 + 1800);
}

// A spreadsheet's CSV: a byte-order mark, CR LF, names in any case and order, TOCO for UC, an
// unknown column, blanks around fields, an empty field and an empty line; a time that does not
// begin at 0 (the link began before the recording).
TEST_F(RecordingFormats, ReadsCsvByItsColumnNames) {
  const std::string csv = Write("s.csv", "\xEF\xBB\xBFTime, toco ,Quality,fhr\r\n"
                                         "12.5,20,good,140.25\r\n"
                                         "\r\n"
                                         "12.75, 0 ,bad,\r\n"
                                         "13.0,1e1,,0.5");
  std::optional<std::int64_t> startTime = 0;
  EXPECT_EQ(ReadAll(csv, &startTime), (std::vector<std::string>{"140.25/-/-/20", "-/-/-/-", "0.5/-/-/10"}));
  EXPECT_EQ(startTime, std::nullopt);
  EXPECT_EQ(ReadAll(Write("h.csv", "time,FHR1,FHR2")), std::vector<std::string>{});  // a header alone
}

TEST_F(RecordingFormats, BadRecordsGiveAFaultBeforeTheFirstSample) {
  const auto header = [&](const std::string& recordLine, const std::string& format) {
    return Write("bad.hea", recordLine + "\nbad.dat " + format + " 100 12 0 0 0 0 FHR\nbad.dat " + format +
                                " 100 12 0 0 0 0 UC\n");
  };
  const auto data = [&](int frames) { Write("bad.dat", Bytes(static_cast<std::size_t>(frames) * 4, 1)); };
  const struct {
    std::function<std::string()> make;
    std::string faultPart;
  } cases[] = {
      {[&] { return Write("e.fhr", Bytes{}); }, "is empty"},
      {[&] { return Write("t.fhr", Bytes(4 + 6 + 3, 1)); }, "last record has 3 of 6 bytes"},
      {[&] { return Write("t.fhrm", Bytes(3, 1)); }, "shorter than its 4-byte header"},
      {[&] { return header("bad 2 4 10", "16"); }, "cannot open"},  // no .dat beside it
      {[&] { data(9); return header("bad 2 4 10", "16"); }, "holds 9 of the 10 samples"},
      {[&] { Write("bad.dat", Bytes(9, 1)); return header("bad 2 4", "16"); }, "bytes of a partial one (the data file that"},
      {[&] { data(10); return header("bad 2 4 10", "212"); }, "format 212: only format 16"},
      {[&] { data(10); return header("bad 2 1000000 10", "16"); }, "1e+06 Hz: only 4 Hz"},
      {[&] { data(10); return header("bad 2 -4 10", "16"); }, "not a positive number"},
      {[&] { data(10); return header("bad 5 4 10", "16"); }, "announces 5 signals, but 2 follow"},
      {[&] { data(10); return header("bad/3 2 4 10", "16"); }, "multi-segment"},
      {[&] { return Write("h.hea", std::string()); }, "is empty"},
      {[&] { return Write("n.hea", std::string("n 1 4 1\nn.dat 16 100 12 0 0 0 0 SpO2\n")); }, "no signal is FHR"},
      {[&] { return Write("x.txt", std::string("140\n")); }, "not a recording"},
      {[&] { return Write("e.csv", std::string()); }, "e.csv is empty"},
      {[&] { return Write("b.csv", std::string("\n\r\n")); }, "holds only empty lines"},
      {[&] { return Write("c.csv", std::string("140,120\n")); }, "line 1 is no header row: its first column is '140'"},
      {[&] { return Write("c.csv", std::string("time,SpO2\n0,98\n")); }, "line 1 names no channel"},
      {[&] { return Write("c.csv", std::string("time,FHR,fhr1\n")); }, "line 1 names the channel of 'fhr1' twice"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n0,140\n\n0.5,141\n")); },
       "line 4 has the time '0.5': rows follow a quarter second apart"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n0.1,140\n")); }, "line 2 has the time '0.1', not on a"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n4294967.5,140\n")); }, "not a number of seconds from 0"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n-0.25,140\n")); }, "not a number of seconds from 0"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n0,140,1\n")); }, "line 2 has 3 fields, the header row 2"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n0,-1\n")); }, "line 2 field 2 '-1' is not a number"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n0,inf\n")); }, "field 2 'inf' is not a number"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n0,1e39\n")); }, "field 2 '1e39' is not a number"},
      {[&] { return Write("c.csv", std::string("time,FHR1\n0,\"140\"\n")); }, "field 2 '\"140\"' is not a number"},
      {[&] { return Write("c.csv", "time,FHR1\n0," + std::string(5000, '1') + "\n"); },
       "line 2 is longer than 4096 bytes"},
  };
  for (const auto& c : cases) {
    const std::string path = c.make();
    EXPECT_NE(OpenFault(path).find(c.faultPart), std::string::npos) << path << ": " << OpenFault(path);
  }
}

TEST_F(RecordingFormats, WfdbHeaderBlanksAreAnyWhiteSpaceAndItsByteOffsetIsSkipped) {
  // Lines of form feeds and vertical tabs alone are blank; they separate words like spaces. The
  // data begins after a 6-byte preamble.
  Write("w.hea", std::string("\f\n\v \r\n\t# note\nw\f1\v4 2\n\fw.dat 16+6\v100 12 0 0 0 0\fFHR\n"));
  Write("w.dat", Join({Bytes{1, 2, 3, 4, 5, 6}, Words({14025, 12000})}));
  EXPECT_EQ(ReadAll(File("w.hea")), (std::vector<std::string>{"140.25/-/-/-", "120/-/-/-"}));
}

TEST_F(RecordingFormats, WfdbNumbersThatGiveNoTraceAreRefused) {
  Write("q.dat", Words({14025, 14025}));
  const struct {
    std::string signalLine;
    std::string faultPart;
  } cases[] = {
      // A byte offset past the data's end is refused by the file's size, not read up to.
      {"q.dat 16+18446744073709551615 100 12 0 0 0 0 FHR", "shorter than its 18446744073709551615-byte header"},
      {"q.dat 16 100(nan) 12 0 0 0 0 FHR", "baseline in '100(nan)' is not a number"},
      {"q.dat 16 100(inf)/bpm 12 0 0 0 0 FHR", "baseline in '100(inf)/bpm' is not a number"},
      {"q.dat 16 nan 12 0 0 0 0 FHR", "gain 'nan' is not a number"},
      {"q.dat 16 100 12 -inf 0 0 0 FHR", "ADC zero '-inf' is not a number"},
      // Values of (sample - baseline) / gain that no float holds.
      {"q.dat 16 1e-300 12 0 0 0 0 FHR", "signal 1: gain 1e-300 with baseline 0 gives values beyond"},
      {"q.dat 16 -2(1e308) 12 0 0 0 0 FHR", "signal 1: gain -2 with baseline 1e+308 gives values beyond"},
  };
  for (const auto& c : cases) {
    const std::string fault = OpenFault(Write("q.hea", "q 1 4\n" + c.signalLine + "\n"));
    EXPECT_NE(fault.find(c.faultPart), std::string::npos) << c.signalLine << ": " << fault;
  }
  // A gain of 1e-30 is no fault where the signal is not read.
  EXPECT_EQ(ReadAll(Write("q.hea", "q 2 4\nq.dat 16 1e-30 12 0 0 0 0 ECG\nq.dat 16 100 12 0 0 0 0 FHR\n")),
            (std::vector<std::string>{"140.25/-/-/-"}));
}

std::unique_ptr<RecordingWriter> Writer(const std::string& format, std::ostream& out, const std::string& path = "") {
  std::string fault;
  std::unique_ptr<RecordingWriter> writer = RecordingWriter::Create(format, out, path, fault);
  EXPECT_NE(writer, nullptr) << fault;
  return writer;
}

// Two samples: FHR1 140.25 with UC 12.5, then everything absent but FHR2 150 and MHR 300.
void WriteTwoSamples(RecordingWriter& writer, std::optional<std::int64_t> start) {
  TraceSample first, second;
  first.Value(TraceChannel::FHR1) = 140.25f;
  first.Value(TraceChannel::UC) = 12.5f;
  second.Value(TraceChannel::FHR2) = 150.0f;
  second.Value(TraceChannel::MHR) = 300.0f;
  writer.Begin(start);
  writer.Write(6, first);
  writer.Write(7, second);
  EXPECT_EQ(writer.Finish(), std::nullopt);
}

TEST_F(RecordingFormats, WritesEachFormatsBytesAndTexts) {
  std::ostringstream fhr, fhrm, csv, unused;
  WriteTwoSamples(*Writer("fhr", fhr), 1614834367);
  EXPECT_EQ(fhr.str(), std::string("\xBF\x6A\x40\x60" "\x31\x02\x00\x00\x19\x00" "\x00\x00\x58\x02\x00\x00", 16));
  WriteTwoSamples(*Writer("fhrm", fhrm), std::nullopt);
  EXPECT_EQ(fhrm.str(), std::string("\0\0\0\0" "\x31\x02\0\0\0\0\x19\0" "\0\0\x58\x02\xB0\x04\0\0", 20));
  WriteTwoSamples(*Writer("csv", csv), std::nullopt);
  EXPECT_EQ(csv.str(), "time,FHR1,FHR2,MHR,UC\n1.5,140.25,0,0,12.5\n1.75,0,150,300,0\n");
  EXPECT_EQ(ReadAll(Write("rec.csv", csv.str())), (std::vector<std::string>{"140.25/-/-/12.5", "-/150/300/-"}));

  // The start on the wall: 2019-12-25 08:30 UTC is 09:30 in Berlin, in winter time.
  const TimeZoneScope berlin("Europe/Berlin");
  WriteTwoSamples(*Writer("wfdb", unused, File("rec.hea")), 1577262600);
  EXPECT_EQ(ReadFile(File("rec.hea")),
            "rec 4 4 2 09:30:00 25/12/2019\n"
            "rec.dat 16 100/bpm 16 0 14025 14025 0 FHR\n"
            "rec.dat 16 100/nd 16 0 1250 1250 0 UC\n"
            "rec.dat 16 100/bpm 16 0 0 15000 0 FHR2\n"
            "rec.dat 16 100/bpm 16 0 0 30000 0 MHR\n"
            "# UTC offset: +01:00\n");
  std::optional<std::int64_t> startTime;
  EXPECT_EQ(ReadAll(File("rec.hea"), &startTime), (std::vector<std::string>{"140.25/-/-/12.5", "-/150/300/-"}));
  EXPECT_EQ(startTime, 1577262600);

  std::string fault;
  EXPECT_EQ(RecordingWriter::Create("wfdb", unused, "", fault), nullptr);
  EXPECT_NE(fault.find("needs a path"), std::string::npos);
  EXPECT_EQ(RecordingWriter::Create("edf", unused, "", fault), nullptr);
  EXPECT_NE(fault.find("no recording format 'edf'"), std::string::npos);
}

}  // namespace
