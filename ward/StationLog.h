#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ward/AppendOnlyFile.h"
#include "ward/WardApi.h"

// The station's own event log, station.events in the data folder beside Studies/: every event
// the station tells (also those of its beds, whose studies' logs hold them too), its web side's
// audit trail (logins, acknowledgements, corrections, with the user and the address) and its
// alarms, one line each, stamped with local time and its UTC offset
// ("2026-10-25 02:30:00 +0100 bed 3: alarm 17 raised (high): FHR1: Lower Limit"). The file is
// the station user's alone (0600) and only ever appended to; a write the disk refuses waits in
// memory as AppendOnlyFile keeps it. A control character of a text (an admission's name may
// carry one) is written as \xHH, so that every event is one line and no text can forge another.
// The lines reach the disk at each sync (SyncJob); the station reads the log's tail when it
// starts (its alarm history).
class VUDODA_WARD_API StationLog {
 public:
  struct Line {
    std::time_t time = 0;  // UTC
    std::string text;      // after the stamp
  };

  // Bytes of log lines that wait in memory while the disk refuses them.
  static constexpr std::size_t kKeepLimit = 1024 * 1024;

  StationLog();

  // The log's path in `dataFolder`.
  static std::string PathOf(const std::string& dataFolder);
  // Opens (creates) the log in `dataFolder`, which must exist. The fault, or nullopt.
  std::optional<std::string> Open(const std::string& dataFolder);
  // Appends "<StampText(when)> <text>" as one line.
  void Write(const std::string& text, std::time_t when = std::time(nullptr));
  // Writes what waits in memory since a write failed.
  void Retry() { m_file.Flush(); }
  // A job that puts the lines written so far on the disk, for a thread beside the loop.
  std::function<std::optional<std::string>()> SyncJob() const;

  // `text` with each control byte written \xHH: one line whatever it holds.
  static std::string Printable(const std::string& text);
  // The whole lines of the last `bytes` of the log in `dataFolder`, oldest first; a line whose
  // stamp cannot be read is passed over.
  static std::vector<Line> ReadTail(const std::string& dataFolder, std::size_t bytes);
  // The UTC second a line's stamp names, or nullopt when `stamp` is none.
  static std::optional<std::time_t> StampTime(const std::string& stamp);

 private:
  AppendOnlyFile m_file;
};
