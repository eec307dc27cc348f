#pragma once

#include "platform/AfxExport.h"
#include "platform/CString.h"

// The station's settings record: display and unit choices, the language, live and review
// screen speeds, gains and colours, alarm-sound switches, the broker's address, the data and EMR
// paths, the hospital and the staff on duty. The host reads and changes the members directly;
// Open and Save move the record to and from the INI file "Maternis.ini" (keys named after the
// members: "Graph FHR1" for m_nGraphFHR1). Coded members hold the codes of ObConstMap's maps;
// colours, styles, modes and serial names are stored without being interpreted.
class AFX_EXT_CLASS ObexConfig {
 public:
  // Every member at its default (Default()), the doctor and nurse texts empty.
  ObexConfig();
  // Copies every member, the alarm-sound switches and display flags included.
  ObexConfig(const ObexConfig& other);
  // Copies every member except the ten alarm-sound switches and the 18 display flags, which
  // keep this record's values.
  ObexConfig& operator=(ObexConfig& other);
  virtual ~ObexConfig();

  // Every member back to its factory default, except the doctor and nurse texts; the three
  // paths are the folder "Data" beside the program, computed anew.
  void Default();

  // The display flag of parameter `kind` (PARAM_KIND, packet/PKParam_v110.h) as stored, not
  // reduced to 0 or 1: 13 and 15 share FM1, 14 and 16 FM2; 19 (zeroing) is always 1; other
  // kinds 0.
  int IsVisible(int kind);

  // Reads every stored member from the INI file at `path` (missing keys take their read
  // defaults; a "Data Path" that does not exist becomes the "Data" folder beside the program).
  // 1 when read; 0, and the record unchanged, when there is no such file.
  int Open(const char* path);
  // Open of "Maternis.ini" in the program folder.
  int Open();
  // Writes every stored member to the file at `path`, created when missing, in one atomic
  // replacement that keeps the file's other keys (QnIni's batch). A text's line breaks are stored
  // as spaces. Where the folder refuses new files but the file is writable, the file is rewritten
  // in place: synced, but not atomic. 1 when written; 0 when nothing could be written (the file
  // cannot be created, is not a regular file, or the write failed), errno telling why.
  int Save(const char* path);
  // Save to "Maternis.ini" in the program folder.
  int Save();

  // "CENTRAL_DEMO"
  int m_nWindowMode;
  int m_nDemoMode;
  // "CENTRAL_DEFAULT"
  CString m_strDataPath;
  int m_nAutoRecordStop;
  int m_nDisplayMode;
  int m_nSaveDisplayMode;
  int m_nTopGraph;
  int m_nBottomGraph;
  int m_nLanguage;
  int m_nHeightUnit;
  int m_nWeightUnit;
  int m_nNIBPUnit;
  int m_nTempUnit;
  int m_nSweepSpeed;
  int m_nTrendSpeed;
  int m_nECGGain;
  int m_nFECGGain;
  int m_nRecordLimit;
  int m_nAllAlarmSound;
  int m_nDevicePositionFix;
  int m_nRecordOnAdmit;
  int m_nFHR1DelayTime;
  int m_nFHR2DelayTime;
  // The alarm-sound switches, kept by operator=.
  int m_nFHR1AlarmSound;
  int m_nFHR2AlarmSound;
  int m_nFECGAlarmSound;
  int m_nFSpO2AlarmSound;
  int m_nECGAlarmSound;
  int m_nSpO2AlarmSound;
  int m_nNIBPAlarmSound;
  int m_nTEMPAlarmSound;
  int m_nUCAlarmSound;
  int m_nIUPAlarmSound;
  // "CENTRAL_SYSTEM"
  int m_nBrokerIP;  // one 32-bit integer, not a dotted text
  int m_nBrokerPort;
  CString m_strEMRDataPath;
  CString m_strEMRProgramPath;
  int m_nEMRImageType;
  CString m_strHospitalName;
  int m_nSerialName1;
  int m_nSerialName2;
  int m_nSerialName3;
  int m_nSerialName4;
  int m_nSerialName5;
  int m_nSerialName6;
  int m_nSerialName7;
  int m_nSerialName8;
  // "CENTRAL_COLOR": live-screen colours and grid styles.
  int m_nGraphBackground;
  int m_nParamBackground;
  int m_nGraphText;
  int m_nParamText;
  int m_nGraphFHR1;
  int m_nGraphFHR2;
  int m_nGraphFECG;
  int m_nGraphFSpO2;
  int m_nGraphNormalFHR;
  int m_nGraphHR;
  int m_nGraphSpO2;
  int m_nGraphNIBP;
  int m_nGraphTEMP;
  int m_nGraphUC;
  int m_nGridOuter;
  int m_nGridOuterStyle;
  int m_nGridInner;
  int m_nGridInnerStyle;
  int m_nGridCenter;
  int m_nGridCenterStyle;
  int m_nEvent;
  int m_nEventMaker;
  int m_nEventStimulator;
  // The display flags (nonzero = shown): not stored in the file, kept by operator=.
  int m_bVisible0;
  int m_bVisibleECG;
  int m_bVisibleSpO2;
  int m_bVisibleSpO2PR;
  int m_bVisibleTemp;
  int m_bVisibleNIBP;
  int m_bVisibleUC;
  int m_bVisibleIUP;
  int m_bVisibleFECG;
  int m_bVisibleFHR1;
  int m_bVisibleFHR2;
  int m_bVisibleFSpO2;
  int m_bVisibleFSpO2PR;
  int m_bVisibleFM1;
  int m_bVisibleFM2;
  int m_bVisibleMarker;
  int m_bVisibleStimulator;
  int m_bVisible17;
  // "CENTRAL_SYSTEM" again: the staff on duty, kept by Default().
  CString m_strDoctorID;
  CString m_strDoctorName;
  CString m_strNurseID;
  CString m_strNurseName;
  // "REVIEW_DEFAULT"
  int m_nReviewSweepSpeed;
  int m_nReviewTrendSpeed;
  int m_nReviewECGGain;
  int m_nReviewFECGGain;
  // "REVIEW_COLOR": review-screen colours and grid styles (no grid centre, one more event).
  int m_nReviewGraphBackground;
  int m_nReviewParamBackground;
  int m_nReviewGraphText;
  int m_nReviewParamText;
  int m_nReviewGraphFHR1;
  int m_nReviewGraphFHR2;
  int m_nReviewGraphFECG;
  int m_nReviewGraphFSpO2;
  int m_nReviewGraphNormalFHR;
  int m_nReviewGraphHR;
  int m_nReviewGraphSpO2;
  int m_nReviewGraphNIBP;
  int m_nReviewGraphTEMP;
  int m_nReviewGraphUC;
  int m_nReviewGridOuter;
  int m_nReviewGridOuterStyle;
  int m_nReviewGridInner;
  int m_nReviewGridInnerStyle;
  int m_nReviewEvent;
  int m_nReviewEventMaker;
  int m_nReviewEventStimulator;
  int m_nReviewEventUCZeroing;
};
