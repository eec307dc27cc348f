#pragma once

#include <array>

#include "database/TBLBase.h"
#include "platform/COleDateTime.h"
#include "platform/CString.h"

// One row of TBLStudy: a study of a patient, key (S_ID, S_STUDY_ID). S_ID holds the patient's
// P_ID; S_STUDY_ID is by convention the start time as 14 digits (SetStartTime). Texts are
// limited to 30 bytes (S_COMMENT 255), shortened by FieldCheck, which Add and Update call.
class AFX_EXT_CLASS TBLStudy : public TBLBase {
 public:
  TBLStudy(QnAdo* pDataBase = nullptr);  // NOLINT: implicit, as the other row classes
  // The same connection, no conditions, the row of `other`.
  TBLStudy(const TBLStudy& other);
  virtual ~TBLStudy();

  // Copies the ten columns and both loaded keys; not the connection, not the conditions.
  TBLStudy& operator=(const TBLStudy& other);
  // A new study on the same connection holding this row; the caller deletes it.
  TBLStudy* Clone();

  void Clear();
  void FieldCheck();
  int Get();
  int Add();
  int Update();
  int Delete();
  int CursorOpenCondition();
  int CursorOpenEx(const char* condition);
  int CursorGet();

  // Sets the start time to `time` and, when `bSetStudyId` is nonzero, the study id to it as
  // "%Y%m%d%H%M%S". 0, with nothing changed, unless `time` is valid. The loaded key stays.
  int SetStartTime(COleDateTime time, int bSetStudyId);

  CString m_S_ID;
  CString m_S_STUDY_ID;
  COleDateTime m_S_START_TIME;
  long m_S_LENGTH;
  long m_S_LOSS;
  CString m_S_DOCTOR_ID;
  CString m_S_NURSE_ID;
  CString m_S_COMMENT;
  long m_S_MEMB_STATUS;
  COleDateTime m_S_EDIT_DATE;
  CString m_S_ID_OLD;
  CString m_S_STUDY_ID_OLD;

 private:
  std::array<TableField, 10> Fields();
  // The two key values, quoted, formatted into `format`; 0 for a key no statement can name.
  int FormatWithKey(const char* format, CString& sql) const;
  void BindLoadedKey();
};
