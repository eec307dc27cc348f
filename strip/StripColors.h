#pragma once

#include <optional>
#include <string>

#include "strip/StripApi.h"

class ObexConfig;

// The colours and line styles a strip is drawn in. Paper: the usual CTG paper, a light red
// grid on white with dark traces. Station: the review screen's colours of the configuration,
// each a Windows COLORREF (0x00BBGGRR), and its grid pen styles.
struct VUDODA_STRIP_API StripColors {
  struct Rgb {
    double red;
    double green;
    double blue;
  };
  // Windows pen styles: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none.
  enum PenStyle { kSolid = 0, kDash, kDot, kDashDot, kDashDotDot, kNone };

  Rgb background;
  Rgb text;
  Rgb gridMajor;
  Rgb gridMinor;
  int gridMajorStyle = kSolid;
  int gridMinorStyle = kSolid;
  Rgb fhr1;
  Rgb fhr2;
  Rgb fecg;
  Rgb mhr;  // the maternal heart rate
  Rgb uc;
  Rgb iup;
  Rgb movement;
  Rgb marker;
  Rgb stimulator;
  Rgb zeroing;
  Rgb alarm;

  static StripColors Paper();
  static StripColors Station(const ObexConfig& config);
  // The key of the first review colour (text or trace) that the configuration sets to the
  // background's, so that the station's colours would draw it unseen; nullopt when all show.
  // A factory configuration sets every colour to 0.
  static std::optional<std::string> UnseenStationColor(const ObexConfig& config);
  // The colour of a COLORREF.
  static Rgb FromColorRef(int colorRef);
};
