#include "strip/StripColors.h"

#include "config/ObexConfig.h"

namespace {

constexpr StripColors::Rgb Hex(unsigned rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0};
}

// The review colours drawn on the background, by their keys.
struct ReviewColor {
  const char* key;
  int ObexConfig::*member;
  StripColors::Rgb StripColors::*color;
};

constexpr ReviewColor kReviewColors[] = {
    {"Review Graph Text", &ObexConfig::m_nReviewGraphText, &StripColors::text},
    {"Review Graph FHR1", &ObexConfig::m_nReviewGraphFHR1, &StripColors::fhr1},
    {"Review Graph FHR2", &ObexConfig::m_nReviewGraphFHR2, &StripColors::fhr2},
    {"Review Graph FECG", &ObexConfig::m_nReviewGraphFECG, &StripColors::fecg},
    {"Review Graph HR", &ObexConfig::m_nReviewGraphHR, &StripColors::mhr},
    {"Review Graph UC", &ObexConfig::m_nReviewGraphUC, &StripColors::uc},
};

}  // namespace

StripColors::Rgb StripColors::FromColorRef(int colorRef) {
  const auto value = static_cast<unsigned>(colorRef);
  return {(value & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, ((value >> 16) & 0xFF) / 255.0};
}

StripColors StripColors::Paper() {
  StripColors colors;
  colors.background = Hex(0xFFFFFF);
  colors.text = Hex(0x202020);
  colors.gridMajor = Hex(0xE08080);
  colors.gridMinor = Hex(0xF6C8C8);
  colors.fhr1 = Hex(0x101010);
  colors.fhr2 = Hex(0x1F4FB0);
  colors.fecg = Hex(0x1E7B34);
  colors.mhr = Hex(0xB0306A);
  colors.uc = Hex(0x101010);
  colors.iup = Hex(0x7A3FA0);
  colors.movement = Hex(0x404040);
  colors.marker = Hex(0x101010);
  colors.stimulator = Hex(0xB05A00);
  colors.zeroing = Hex(0x1F4FB0);
  colors.alarm = Hex(0xF2A900);
  return colors;
}

// The review screen has no colours of its own for IUP and the alarm bands: IUP takes the UC
// colour (drawn dashed), a band the graph text's colour, shaded.
StripColors StripColors::Station(const ObexConfig& config) {
  StripColors colors;
  colors.background = FromColorRef(config.m_nReviewGraphBackground);
  colors.gridMajor = FromColorRef(config.m_nReviewGridOuter);
  colors.gridMinor = FromColorRef(config.m_nReviewGridInner);
  colors.gridMajorStyle = config.m_nReviewGridOuterStyle;
  colors.gridMinorStyle = config.m_nReviewGridInnerStyle;
  for (const ReviewColor& review : kReviewColors) colors.*review.color = FromColorRef(config.*review.member);
  colors.iup = colors.uc;
  colors.movement = FromColorRef(config.m_nReviewEvent);
  colors.marker = FromColorRef(config.m_nReviewEventMaker);
  colors.stimulator = FromColorRef(config.m_nReviewEventStimulator);
  colors.zeroing = FromColorRef(config.m_nReviewEventUCZeroing);
  colors.alarm = colors.text;
  return colors;
}

std::optional<std::string> StripColors::UnseenStationColor(const ObexConfig& config) {
  for (const ReviewColor& review : kReviewColors) {
    if (config.*review.member == config.m_nReviewGraphBackground) return review.key;
  }
  return std::nullopt;
}
