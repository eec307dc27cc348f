#pragma once

#include <cstdint>

#include "platform/AfxExport.h"
#include "platform/CString.h"

// One row of a constant map: a code as it travels in packets and settings, and the id of the
// string resource that holds its display text. Two 32-bit fields, in this order.
struct __CONST_MAP {
  std::int32_t lConst;
  unsigned int uStringId;
};

// The constant maps: every coded setting and status that monitors and station exchange, each an
// ordered, read-only table of rows. Texts are loaded by string id at each call (QnGF::GetString),
// so they come from the language library chosen at start-up where it holds the id.
//
// All operations are static and keep no state; any thread may call them. A kind outside 2–42
// and CMAP_COLOR (which has no table) behave as empty maps.
class AFX_EXT_CLASS ObConstMap {
 public:
  enum CMAP_TYPE : int {
    CMAP_MODEL = 2,
    CMAP_AC_FILTER = 3,
    CMAP_ADMIT_STATUS = 4,
    CMAP_ADMIT_TYPE = 5,
    CMAP_GENDER = 6,
    CMAP_HEIGHT_UNIT = 7,
    CMAP_WEIGHT_UNIT = 8,
    CMAP_ALARM_LEVEL = 9,
    CMAP_ON_OFF = 10,
    CMAP_COLOR = 11,
    CMAP_ECG_LEAD = 12,
    CMAP_ECG_GAIN = 13,
    CMAP_ECG_SPEED = 14,
    CMAP_ECG_FILTER = 15,
    CMAP_NIBP_CUFF = 16,
    CMAP_NIBP_INTERVAL = 17,
    CMAP_NIBP_SOURCE = 18,
    CMAP_NIBP_UNIT = 19,
    CMAP_TEMP_UNIT = 20,
    CMAP_PACEMAKER = 21,
    CMAP_ECG_ALARM = 22,
    CMAP_SPO2_ALARM = 23,
    CMAP_FHR1_ALARM = 24,
    CMAP_FHR2_ALARM = 25,
    CMAP_FECG_ALARM = 26,
    CMAP_FSPO2_ALARM = 27,
    CMAP_UC_ALARM = 28,
    CMAP_IUP_ALARM = 29,
    CMAP_NIBP_ALARM = 30,
    CMAP_TEMP_ALARM = 31,
    CMAP_WAVE = 32,
    CMAP_LANGUAGE = 33,
    CMAP_AUTO_RECORD_STOP = 34,
    CMAP_TREND_SPEED = 35,
    CMAP_DELAY_TIME = 36,
    CMAP_LEVEL_9 = 37,
    CMAP_LEVEL_5 = 38,
    CMAP_MANUAL_AUTO = 39,
    CMAP_OFFSET = 40,
    CMAP_SIGNED_OFFSET = 41,
    CMAP_MONITORING_MODE = 42,
  };

  // Objects carry no data: construction, copying and assignment do nothing.
  ObConstMap() = default;
  ObConstMap(const ObConstMap& other);
  ObConstMap& operator=(const ObConstMap& other);
  virtual ~ObConstMap();

  // The first row of the kind's table, or null for a kind without one. CMAP_LEVEL_9 and
  // CMAP_LEVEL_5 share one table: the same address, sizes 10 and 6.
  static const __CONST_MAP* GetMapPointer(CMAP_TYPE type);
  // The number of rows of the kind; 0 for a kind without a table.
  static int GetMapSize(CMAP_TYPE type);
  // 1 and row `index` (counted from 0 in map order) copied into `row`; 0 and `row` untouched
  // when there is no such row.
  static int GetMap(CMAP_TYPE type, int index, __CONST_MAP& row);
  // The code, string id or text of row `index`; 0, 0 or the empty string when there is none.
  // Only GetMap tells a missing row from a row whose code is 0.
  static long GetMapConst(CMAP_TYPE type, int index);
  static unsigned int GetMapStringId(CMAP_TYPE type, int index);
  static CString GetMapText(CMAP_TYPE type, int index);
  // The text of the first row whose code is `code`, or the empty string when no row has it.
  static CString GetMapTextByConst(CMAP_TYPE type, long code);

  // The NIBP interval of a CMAP_NIBP_INTERVAL code in seconds (code 10: 2700); 0 for "Off"
  // (code 0) and for every code outside 1–12.
  static int GetNIBPIntervalValue(long code);
  // The temperature unit, not translated: the degree sign and "C" for code 1, the degree sign
  // and "F" for every other code, in the process code page (the sign is byte B0 in 1252).
  static CString GetTempUnitText(long code);

  // GetMapTextByConst of one fixed kind each.
  static CString GetModelText(long code);          // CMAP_MODEL
  static CString GetACFilterText(long code);       // CMAP_AC_FILTER
  static CString GetAdmitStatusText(long code);    // CMAP_ADMIT_STATUS
  static CString GetAdmitTypeText(long code);      // CMAP_ADMIT_TYPE
  static CString GetGenderText(long code);         // CMAP_GENDER
  static CString GetHeightUnitText(long code);     // CMAP_HEIGHT_UNIT
  static CString GetWeightUnitText(long code);     // CMAP_WEIGHT_UNIT
  static CString GetAlarmLevelText(long code);     // CMAP_ALARM_LEVEL
  static CString GetOnOffText(long code);          // CMAP_ON_OFF
  static CString GetColorText(long code);          // CMAP_COLOR: always empty
  static CString GetECGLeadText(long code);        // CMAP_ECG_LEAD
  static CString GetECGGainText(long code);        // CMAP_ECG_GAIN
  static CString GetECGSpeedText(long code);       // CMAP_ECG_SPEED
  static CString GetECGFilterText(long code);      // CMAP_ECG_FILTER
  static CString GetNIBPCuffText(long code);       // CMAP_NIBP_CUFF
  static CString GetNIBPIntervalText(long code);   // CMAP_NIBP_INTERVAL
  static CString GetNIBPUnitText(long code);       // CMAP_NIBP_UNIT
  static CString GetPacemakerText(long code);      // CMAP_PACEMAKER
  static CString GetEcgAlarmText(long code);       // CMAP_ECG_ALARM
  static CString GetSpO2AlarmText(long code);      // CMAP_SPO2_ALARM
  static CString GetFHR1AlarmText(long code);      // CMAP_FHR1_ALARM
  static CString GetFHR2AlarmText(long code);      // CMAP_FHR2_ALARM
  static CString GetFEcgAlarmText(long code);      // CMAP_FECG_ALARM
  static CString GetFSpO2AlarmText(long code);     // CMAP_FSPO2_ALARM
  static CString GetUCAlarmText(long code);        // CMAP_UC_ALARM
  static CString GetIUPAlarmText(long code);       // CMAP_IUP_ALARM
  static CString GetNIBPAlarmText(long code);      // CMAP_NIBP_ALARM
  static CString GetTempAlarmText(long code);      // CMAP_TEMP_ALARM
};
