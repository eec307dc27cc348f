#include "tools/MapText.h"

#include "constmap/ObConstMap.h"

namespace {

std::optional<ObConstMap::CMAP_TYPE> MapOf(CodeKind code) {
  using M = ObConstMap;
  switch (code) {
    case CodeKind::None: return std::nullopt;
    case CodeKind::Model: return M::CMAP_MODEL;
    case CodeKind::ACFilter: return M::CMAP_AC_FILTER;
    case CodeKind::Gender: return M::CMAP_GENDER;
    case CodeKind::AlarmLevel: return M::CMAP_ALARM_LEVEL;
    case CodeKind::ECGLead: return M::CMAP_ECG_LEAD;
    case CodeKind::ECGFilter: return M::CMAP_ECG_FILTER;
    case CodeKind::NIBPCuff: return M::CMAP_NIBP_CUFF;
    case CodeKind::NIBPInterval: return M::CMAP_NIBP_INTERVAL;
    case CodeKind::NIBPSource: return M::CMAP_NIBP_SOURCE;
    case CodeKind::Pacemaker: return M::CMAP_PACEMAKER;
    case CodeKind::ECGAlarm: return M::CMAP_ECG_ALARM;
    case CodeKind::SpO2Alarm: return M::CMAP_SPO2_ALARM;
    case CodeKind::FHR1Alarm: return M::CMAP_FHR1_ALARM;
    case CodeKind::FHR2Alarm: return M::CMAP_FHR2_ALARM;
    case CodeKind::FECGAlarm: return M::CMAP_FECG_ALARM;
    case CodeKind::FSpO2Alarm: return M::CMAP_FSPO2_ALARM;
    case CodeKind::UCAlarm: return M::CMAP_UC_ALARM;
    case CodeKind::IUPAlarm: return M::CMAP_IUP_ALARM;
    case CodeKind::NIBPAlarm: return M::CMAP_NIBP_ALARM;
    case CodeKind::TempAlarm: return M::CMAP_TEMP_ALARM;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> MapText(const Field& field) {
  const std::optional<ObConstMap::CMAP_TYPE> map = MapOf(field.code);
  if (!map || field.isList || field.values.size() != 1 || !field.values.front()) return std::nullopt;
  const auto* code = std::get_if<long long>(&*field.values.front());
  if (!code) return std::nullopt;
  return ObConstMap::GetMapTextByConst(*map, static_cast<long>(*code)).str();
}
