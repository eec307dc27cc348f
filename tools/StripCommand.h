#pragma once

#include <optional>
#include <string>

#include "tools/CommandLine.h"

// What `vudoda strip` is asked to draw.
struct StripOptions {
  std::string input = "-";  // a link, or a recording by its extension; "-": a link on standard input
  bool hex = false;
  std::string output;
  std::optional<int> fromSecondOfDay;
  std::optional<double> minutes;
  std::optional<int> speed;  // trend-speed code 1-3; none: the configuration's review speed
  std::optional<int> scale;  // bpm/cm, 20 or 30; none: the one that goes with the speed
  std::string colors = "paper";
  std::string paper = "a4";
  std::string config;        // empty: Maternis.ini in the program folder, where there is one
  int language = 0;          // LanguageOption::kNotGiven: the configuration's when --config is given
};

// `vudoda strip [LINK|RECORDING] -o OUT.pdf|svg|png [--from TIME --minutes N] [--speed 1|2|3]
// [--scale 20|30] [--colors paper|station] [--paper a4|letter] [--config FILE] [--language N] [--hex]`.
void DefineStrip(CLI::App& command, CommandRun& run);

// Draws the CTG strip of a captured monitor link or of a recording (.fhr, .fhrm, WFDB .hea, .csv)
// into a PDF (every page), or SVG or PNG files (one a page: OUT, OUT-2, …), and prints the
// files written. kExitFailure, with no file left, for an unreadable link, recording or
// configuration, a link without numerics, a span outside the recording, --hex with a
// recording, or an output that cannot be written.
int RunStrip(const StripOptions& options, ToolIo& io);
