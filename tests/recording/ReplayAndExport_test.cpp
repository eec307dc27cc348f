// A recording played as a monitor's link, and a link written back out as a recording.
#include <fstream>
#include <sstream>

#include "link/MonitorSimulator.h"
#include "link/RecordingScratch.h"
#include "packet/PKParam_v110.h"
#include "recording/LinkExport.h"
#include "recording/RecordingReader.h"
#include "recording/RecordingReplay.h"
#include "recording/RecordingWriter.h"
#include "recording/TimeZoneScope.h"

namespace {

using Packets = std::vector<Bytes>;

std::optional<std::string> Replay(const std::string& path, Packets& packets) {
  std::string fault;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(path, fault);
  if (!reader) return fault;
  return RecordingReplay(*reader).Run(
      [&](std::span<const unsigned char> packet) {
        packets.emplace_back(packet.begin(), packet.end());
        return true;
      });
}

// The link's bytes exported as `format`, fed in chunks of 1000 bytes; or the fault. `remarks`
// receives the exporter's remarks.
std::string Export(const Bytes& link, const std::string& format, std::string* remarks = nullptr) {
  std::ostringstream out;
  std::string fault;
  const std::unique_ptr<RecordingWriter> writer = RecordingWriter::Create(format, out, "", fault);
  LinkExport exporter(*writer);
  for (std::size_t pos = 0; pos < link.size(); pos += 1000) {
    exporter.Feed(std::span(link).subspan(pos, std::min<std::size_t>(1000, link.size() - pos)));
  }
  if (const std::optional<std::string> fault = exporter.Finish()) return "fault: " + *fault;
  if (remarks != nullptr) *remarks = exporter.Remarks();
  return out.str();
}

Bytes Link(const Packets& packets) {
  Bytes link;
  for (const Bytes& packet : packets) link.insert(link.end(), packet.begin(), packet.end());
  return link;
}

// The header of the WFDB record `path` exported from the link, and the start read back from it.
std::string ExportWfdb(const Bytes& link, const std::string& path, std::optional<std::int64_t>& start) {
  std::ostringstream unused;
  std::string fault;
  const std::unique_ptr<RecordingWriter> writer = RecordingWriter::Create("wfdb", unused, path, fault);
  LinkExport exporter(*writer);
  exporter.Feed(link);
  if (const std::optional<std::string> exported = exporter.Finish()) return "fault: " + *exported;
  const std::unique_ptr<RecordingReader> reader = RecordingReader::Open(path + ".hea", fault);
  if (!reader) return "fault: " + fault;
  start = reader->StartTime();
  std::ifstream header(path + ".hea");
  return std::string(std::istreambuf_iterator<char>(header), {});
}

using ReplayAndExport = RecordingScratch;

TEST_F(ReplayAndExport, ReplayedRecordingExportsBackWithinTheRounding) {
  // 2021-03-04 05:06:07 UTC; six samples: FHR1 140.25, 140.5 (rounds up), 300 (not held),
  // absent; FHR2 absent; TOCO 127.5 (kept, not clipped), 12, absent.
  const Bytes start = {0xBF, 0x6A, 0x40, 0x60};
  const std::string path = Write("labour.fhr", Join({start, Words({561, 0}), {255, 0}, Words({562, 0}), {24, 0},
                                                     Words({1200, 0}), {0, 0}, Words({0, 0}), {0, 0},
                                                     Words({0, 0}), {0, 0}, Words({0, 0}), {0, 0}}));
  Packets packets;
  ASSERT_EQ(Replay(path, packets), std::nullopt);
  // Version, monitor, patient, alarm settings; the link clock; then two numerics of five samples.
  ASSERT_EQ(packets.size(), 10u);
  const Bytes& patient = packets[2];
  EXPECT_EQ(Bytes(patient.begin() + 62, patient.begin() + 66), (Bytes{0xCA, 0x07, 5, 17}));  // born 1994-05-17
  EXPECT_EQ(Packets(packets.begin() + 4, packets.begin() + 8),
            (Packets{{0xA0, 0xE0, 0xBF, 0xFF}, {0xA0, 0xE1, 0x6A, 0xFF},
                     {0xA0, 0xE2, 0x40, 0xFF}, {0xA0, 0xE3, 0x60, 0xFF}}));
  const Bytes& first = packets[8];
  const Bytes& second = packets[9];
  EXPECT_EQ(Bytes(first.begin() + 1, first.begin() + 5), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(Bytes(second.begin() + 1, second.begin() + 5), (Bytes{0xE2, 0x04, 0, 0}));  // 1250 ms
  EXPECT_EQ(Bytes(first.begin() + 6, first.begin() + 11), (Bytes{140, 141, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Bytes(first.begin() + 29, first.begin() + 34), (Bytes{128, 12, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Bytes(second.begin() + 6, second.begin() + 11), Bytes(5, 0xFF));

  // Back out: whole bpm in quarters, from the second the recording started; TOCO 128 comes back
  // as the 127.5 it was.
  const std::string fhr = Export(Link(packets), "fhr");
  const Bytes expected = Join({start, Words({560, 0}), {255, 0}, Words({564, 0}), {24, 0}});
  ASSERT_EQ(fhr.size(), 4u + 10 * 6);
  EXPECT_EQ(Bytes(fhr.begin(), fhr.begin() + 16), expected);
  EXPECT_EQ(fhr.substr(16), std::string(8 * 6, '\0'));
}

// A recording that starts at 14:30 on the wall (2026-10-25, winter time again: 13:30 UTC,
// 0x6ADE0458) comes back at 14:30 from its link in every format that holds a start: .fhr as
// its UTC second, WFDB as local base time with its offset. A CSV recording holds none, and
// its link no clock.
TEST_F(ReplayAndExport, ARecordingThatStartsAt1430ComesBackAt1430) {
  const TimeZoneScope berlin("Europe/Berlin");
  const Bytes start = {0x58, 0x04, 0xDE, 0x6A};
  Write("a.hea", "a 1 4 1 14:30:00 25/10/2026\na.dat 16 100/bpm 16 0 14000 0 0 FHR\n");
  Write("a.dat", Words({14000}));
  const std::string recordings[] = {Write("a.fhr", Join({start, Words({560, 0}), {0, 0}})),
                                    Write("a.fhrm", Join({start, Words({560, 0, 0}), {0, 0}})), File("a.hea")};
  for (const std::string& recording : recordings) {
    Packets packets;
    ASSERT_EQ(Replay(recording, packets), std::nullopt) << recording;
    EXPECT_EQ(Export(Link(packets), "fhr").substr(0, 4), std::string(start.begin(), start.end())) << recording;
    std::optional<std::int64_t> readBack;
    EXPECT_EQ(ExportWfdb(Link(packets), File("out"), readBack),
              "out 4 4 5 14:30:00 25/10/2026\n"
              "out.dat 16 100/bpm 16 0 14000 14000 0 FHR\n"
              "out.dat 16 100/nd 16 0 0 0 0 UC\n"
              "out.dat 16 100/bpm 16 0 0 0 0 FHR2\n"
              "out.dat 16 100/bpm 16 0 0 0 0 MHR\n"
              "# UTC offset: +01:00\n")
        << recording;
    EXPECT_EQ(readBack, 1792935000) << recording;
  }

  Packets fromCsv;
  ASSERT_EQ(Replay(Write("a.csv", "time,FHR1\n0,140\n"), fromCsv), std::nullopt);
  EXPECT_EQ(fromCsv.size(), 5u);  // the settings and one numerics packet: no clock
  EXPECT_EQ(Export(Link(fromCsv), "fhr").substr(0, 4), std::string(4, '\0'));

  // 02:30 comes twice that night: the second time (winter time, 01:30 UTC) keeps its offset.
  Packets repeated;
  ASSERT_EQ(Replay(Write("b.fhr", Join({{0x98, 0x5B, 0xDD, 0x6A}, Words({560, 0}), {20, 0}})), repeated),
            std::nullopt);
  std::optional<std::int64_t> readBack;
  const std::string header = ExportWfdb(Link(repeated), File("night"), readBack);
  EXPECT_EQ(header.substr(0, header.find('\n')), "night 4 4 5 02:30:00 25/10/2026");
  EXPECT_EQ(header.substr(header.rfind('#')), "# UTC offset: +01:00\n");
  EXPECT_EQ(readBack, 1792891800);
}

TEST_F(ReplayAndExport, RecordingsBeyondTheLinksReachOrEmptyAreRefusedBeforeSending) {
  Packets packets;
  // A 2 GB recording (sparse): 357 million samples, far beyond 49 days of time stamps.
  const std::string huge = Write("huge.fhr", Bytes{0, 0, 0, 0});
  std::filesystem::resize_file(huge, 4 + 6ull * 357'913'941);
  EXPECT_NE(Replay(huge, packets).value_or("").find("longer than the link's time stamps reach"), std::string::npos);
  EXPECT_NE(Replay(Write("none.fhr", Bytes{0, 0, 0, 0}), packets).value_or("").find("no samples"), std::string::npos);
  EXPECT_TRUE(packets.empty());
}

TEST_F(ReplayAndExport, ExportSkipsUnknownBytesAndFillsGapsWithAbsentSamples) {
  Packets packets;
  MonitorSimulator(7).Run(5000, [&](std::span<const unsigned char> packet) {
    packets.emplace_back(packet.begin(), packet.end());
    return true;
  });
  const std::string whole = Export(Link(packets), "csv");
  // Four numerics of five samples: the header and 20 rows, from 0 s to 4.75 s.
  EXPECT_EQ(std::count(whole.begin(), whole.end(), '\n'), 21);
  EXPECT_EQ(whole.rfind("4.75,", whole.size() - 2), whole.rfind('\n', whole.size() - 2) + 1);

  // The second numerics lost, and garbage where it was: its five rows are absent, the rest stay.
  Packets damaged;
  for (const Bytes& packet : packets) {
    if (packet.size() == 108 && packet[1] == 0xE2 && packet[2] == 0x04) {
      damaged.push_back({0x00, 0x13, 0x37});
    } else {
      damaged.push_back(packet);
    }
  }
  std::istringstream wholeRows(whole), damagedRows(Export(Link(damaged), "csv"));
  int row = 0;
  for (std::string expected, got; std::getline(wholeRows, expected) && std::getline(damagedRows, got); ++row) {
    if (row >= 6 && row <= 10) {
      EXPECT_EQ(got, expected.substr(0, expected.find(',')) + ",0,0,0,0");
    } else {
      EXPECT_EQ(got, expected);
    }
  }
  EXPECT_EQ(row, 21);

  EXPECT_EQ(Export(Link({packets[0], packets[1]}), "csv"), "fault: the link holds no numerics packet");
}

// Five seconds of the simulated monitor: four numerics packets of five samples, at 0, 1.25,
// 2.5 and 3.75 s.
Packets FiveSeconds() {
  Packets packets;
  MonitorSimulator(7).Run(5000, [&](std::span<const unsigned char> packet) {
    packets.emplace_back(packet.begin(), packet.end());
    return true;
  });
  return packets;
}

// The CSV rows of an export, header apart.
std::vector<std::string> Rows(const std::string& csv) {
  std::vector<std::string> rows;
  std::istringstream lines(csv);
  std::string line;
  for (std::getline(lines, line); std::getline(lines, line);) rows.push_back(line);
  return rows;
}

// The places of the samples where a link began again.
class LinkJoins final : public RecordingWriter {
 public:
  void Begin(std::optional<std::int64_t>) override {}
  void Write(std::uint64_t place, const TraceSample& sample) override {
    if (sample.Has(TraceSample::kLinkBegan)) places.push_back(place);
  }
  std::optional<std::string> Finish() override { return std::nullopt; }

  std::vector<std::uint64_t> places;
};

// A station's recording of a study holds every link of it: the second link's time stamps
// begin again at 0, and its samples follow the first link's, the first of them marked.
TEST_F(ReplayAndExport, ALinkThatBeganAgainContinuesWhereTheRecordingEnds) {
  const Bytes once = Link(FiveSeconds());
  std::string remarks;
  const std::vector<std::string> first = Rows(Export(once, "csv"));
  const std::vector<std::string> both = Rows(Export(Join({once, once, once}), "csv", &remarks));
  ASSERT_EQ(first.size(), 20u);
  ASSERT_EQ(both.size(), 60u);
  for (std::size_t row = 0; row < both.size(); ++row) {
    const std::string& same = first[row % 20];
    EXPECT_EQ(both[row].substr(both[row].find(',')), same.substr(same.find(','))) << row;
  }
  EXPECT_EQ(both.back().substr(0, both.back().find(',')), "14.75");
  EXPECT_EQ(remarks, "the link began again 2 times (a monitor reconnected): its parts follow one another without "
                     "the pauses between them");
  LinkJoins joins;
  LinkExport exporter(joins);
  exporter.Feed(Join({once, once, once}));
  EXPECT_EQ(exporter.Finish(), std::nullopt);
  EXPECT_EQ(joins.places, (std::vector<std::uint64_t>{20, 40}));
}

// The simulated monitor's settings and numerics packets (its waveforms left out), `seconds` long.
Packets SettingsAndNumerics(int seconds) {
  Packets packets;
  MonitorSimulator(7).Run(static_cast<std::uint64_t>(seconds) * 1000, [&](std::span<const unsigned char> packet) {
    if (packet.size() != 56 || packet[0] != 0xC0) packets.emplace_back(packet.begin(), packet.end());
    return true;
  });
  return packets;
}

bool IsNumerics(const Bytes& packet) { return packet.size() == 108 && packet[0] == 0xC1; }

// A numerics packet whose time stamp cannot be the link's is passed over: one that goes back
// within the link (repeated) or jumps more than a day. The rest of the link stays where its own
// time stamps put it.
TEST_F(ReplayAndExport, NumericsWithATimeStampOutOfPlaceArePassedOver) {
  const Packets packets = FiveSeconds();
  const std::string whole = Export(Link(packets), "csv");
  const auto numericsAt = [&](std::uint8_t low, std::uint8_t high) {
    for (const Bytes& packet : packets) {
      if (IsNumerics(packet) && packet[1] == low && packet[2] == high) return packet;
    }
    ADD_FAILURE() << "no numerics packet at that time stamp";
    return Bytes{};
  };
  Bytes twoDaysOn = numericsAt(0xC4, 0x09);  // 2500 ms, moved to 2 days + 2.5 s: 0x0A4CBCC4 ms
  twoDaysOn[3] = 0x4C, twoDaysOn[4] = 0x0A;
  const Bytes late = numericsAt(0xE2, 0x04);  // 1250 ms again, after 2500 ms

  for (const Bytes& odd : {twoDaysOn, late}) {
    Packets damaged;
    for (const Bytes& packet : packets) {
      damaged.push_back(packet);
      if (IsNumerics(packet) && packet[1] == 0xC4 && packet[2] == 0x09) damaged.push_back(odd);
    }
    std::string remarks;
    EXPECT_EQ(Export(Link(damaged), "csv", &remarks), whole);
    EXPECT_EQ(remarks, "1 numerics packet passed over (a time stamp out of place)");
  }
}

// One bit flipped in one numerics packet's time stamp, each of the 32 in turn, in the first,
// second, a middle, the last but one and the last packet of five minutes: at most that packet's
// five samples are lost (absent, or before or after the recording), and every other sample
// stays where it was. A jump ahead of less than a day used to be taken, and every packet after it
// passed over as going back.
TEST_F(ReplayAndExport, OneGarbledTimeStampCostsAtMostItsOwnPacket) {
  const Packets packets = SettingsAndNumerics(300);
  std::vector<std::size_t> numerics;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    if (IsNumerics(packets[i])) numerics.push_back(i);
  }
  ASSERT_EQ(numerics.size(), 240u);
  const std::vector<std::string> whole = Rows(Export(Link(packets), "csv"));
  ASSERT_EQ(whole.size(), 1200u);
  for (const std::size_t garbled : {0, 1, 120, 238, 239}) {
    for (int bit = 0; bit < 32; ++bit) {
      Packets damaged = packets;
      damaged[numerics[garbled]][1 + bit / 8] ^= static_cast<unsigned char>(1 << (bit % 8));
      std::string remarks;
      const std::vector<std::string> rows = Rows(Export(Link(damaged), "csv", &remarks));
      const std::size_t first = garbled * 5;  // the garbled packet's rows in the whole export
      const std::size_t skipped = garbled == 0 && rows.size() == 1195 ? 5 : 0;
      ASSERT_GE(rows.size(), 1195u) << "packet " << garbled << " bit " << bit;
      ASSERT_LE(rows.size(), 1200u) << "packet " << garbled << " bit " << bit;
      for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string& expected = whole[row + skipped];
        const bool own = row + skipped >= first && row + skipped < first + 5;
        const std::string absent = expected.substr(0, expected.find(',')) + ",0,0,0,0";
        EXPECT_TRUE(rows[row] == expected || (own && rows[row] == absent))
            << "packet " << garbled << " bit " << bit << " row " << row << ": " << rows[row];
      }
      EXPECT_TRUE(remarks.empty() || remarks == "1 numerics packet passed over (a time stamp out of place)")
          << remarks;
    }
  }
}

// A stray type header, or a packet whose key byte was damaged, costs no packet that follows:
// framing goes on from the byte after the header. A control packet's header just before a
// numerics packet used to take the numerics header into a control packet, and lose the numerics.
TEST_F(ReplayAndExport, BytesThatFrameNoPacketAreCountedAndHideNothing) {
  const Packets packets = FiveSeconds();
  const std::string whole = Export(Link(packets), "csv");
  Packets strayHeader, wrongKey;
  for (const Bytes& packet : packets) {
    if (IsNumerics(packet) && packet[1] == 0xC4 && packet[2] == 0x09) {  // 2500 ms
      strayHeader.push_back({0xA0});
      Bytes damaged = packet;
      damaged[1] = 0x88, damaged[2] = 0x13, damaged.back() = 0x00;  // 5000 ms, just after the last
      wrongKey.push_back(damaged);
    }
    strayHeader.push_back(packet);
    wrongKey.push_back(packet);
  }
  std::string remarks;
  EXPECT_EQ(Export(Link(strayHeader), "csv", &remarks), whole);
  EXPECT_EQ(remarks, "1 byte passed over that frame no packet (unknown bytes, a wrong key or a truncated end)");
  EXPECT_EQ(Export(Link(wrongKey), "csv", &remarks), whole);
  EXPECT_EQ(remarks, "108 bytes passed over that frame no packet (unknown bytes, a wrong key or a truncated end)");
}

}  // namespace
