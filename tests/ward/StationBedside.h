#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "database/TBLStudy.h"
#include "link/LinkConnection.h"
#include "link/MonitorSimulator.h"
#include "link/StreamFramer.h"
#include "packet/PKPatient_v110.h"
#include "qnutilex/QnAdo.h"

// A made-up bedside monitor for the station's tests: the simulated monitor's link with a
// patient of its own (made-up, one per seed), sent over a real connection, and the study that
// the station stored of it.
class StationBedside {
 public:
  // The link of `milliseconds`, its patient "TEST-<seed>" (empty `patientId` keeps none).
  static std::vector<unsigned char> Link(std::uint32_t seed, std::uint64_t milliseconds,
                                         const std::string& patientId) {
    std::vector<unsigned char> link;
    MonitorSimulator(seed).Run(milliseconds, [&](std::span<const unsigned char> packet) {
      if (packet[0] == 0xB1) {
        PKPatient_v110 patient;
        patient.SetPatientId(patientId.c_str());
        patient.SetLastName("Testmother");
        patient.SetFirstName(("Bed" + std::to_string(seed)).c_str());
        patient.SetYear(1990);
        patient.SetMonth(1 + static_cast<int>(seed % 12));
        patient.SetDay(1 + static_cast<int>(seed % 28));
        patient.ResetCheckSum();
        const unsigned char* bytes = patient.GetPacket();
        link.insert(link.end(), bytes, bytes + patient.GetPacketSize());
        return true;
      }
      link.insert(link.end(), packet.begin(), packet.end());
      return true;
    });
    return link;
  }

  static std::string PatientId(std::uint32_t seed) { return "TEST-" + std::to_string(seed); }

  // Where the last whole packet of `link` that ends at or before `offset` ends: a station
  // records whole packets, so this much of what was sent up to `offset` it can have recorded.
  static std::size_t PacketBoundary(std::span<const unsigned char> link, std::size_t offset) {
    std::size_t boundary = 0;
    StreamFramer framer([&](const FrameEvent& event) {
      if (event.offset + event.length <= offset) boundary = event.offset + event.length;
    });
    framer.Feed(link.first(std::min(offset, link.size())));
    return boundary;
  }

  // The patient's one study in the station's SQLite database `file`.
  static TBLStudy StoredStudy(const std::string& file, const std::string& patientId) {
    QnAdo db;
    EXPECT_TRUE(db.Connect(("sqlite:" + file).c_str()));
    TBLStudy study(&db);
    study.AddCondition(("S_ID='" + patientId + "'").c_str());
    EXPECT_EQ(study.CursorOpenCondition(), 1) << patientId;
    study.CursorGet();
    study.CursorClose();
    study.SetDataBase(nullptr);
    return study;
  }

  // Sends `bytes` in `chunks` pieces, `pause` apart; false when the station could not be
  // reached or the link failed.
  static bool Send(LinkConnection& connection, std::span<const unsigned char> bytes, std::size_t chunks,
                   std::chrono::milliseconds pause) {
    const std::size_t chunk = (bytes.size() + chunks - 1) / chunks;
    for (std::size_t offset = 0; offset < bytes.size(); offset += chunk) {
      if (!connection.Send(bytes.subspan(offset, std::min(chunk, bytes.size() - offset)))) return false;
      std::this_thread::sleep_for(pause);
    }
    return true;
  }
};
