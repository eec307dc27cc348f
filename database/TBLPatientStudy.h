#pragma once

#include <array>

#include "database/TBLBase.h"
#include "platform/COleDateTime.h"
#include "platform/CString.h"

// One row of the inner join of TBLStudy with TBLPatient (S_ID = P_ID), read-only: a study
// with its patient, the patient's fourteen columns first, then the study's ten. Rows come
// ordered by S_ID, then S_STUDY_ID; a clause (conditions, CursorOpenEx) stands between the
// join and the ORDER BY, so it may name columns of both tables.
class AFX_EXT_CLASS TBLPatientStudy : public TBLBase {
 public:
  TBLPatientStudy(QnAdo* pDataBase = nullptr);  // NOLINT: implicit, as the other row classes
  // The same connection, no conditions, the row of `other`.
  TBLPatientStudy(const TBLPatientStudy& other);
  virtual ~TBLPatientStudy();

  // Copies the 24 columns; not the connection, not the conditions.
  TBLPatientStudy& operator=(const TBLPatientStudy& other);
  // A new object on the same connection holding this row; the caller deletes it.
  TBLPatientStudy* Clone();

  void Clear();
  // Reads the study (sId, studyId) with its patient; 0 with the members unchanged when
  // there is no such pair.
  int Get(CString sId, CString studyId);
  int CursorOpenCondition();
  int CursorOpenEx(const char* condition);
  int CursorGet();

  CString m_P_ID;
  CString m_P_FIRST_NAME;
  CString m_P_LAST_NAME;
  COleDateTime m_P_REG_DATE;
  COleDateTime m_P_BIRTHDAY;
  double m_P_HEIGHT;
  double m_P_WEIGHT;
  CString m_P_COMMENT;
  CString m_P_DOCTOR_ID;
  COleDateTime m_P_LMP;
  COleDateTime m_P_EDC;
  long m_P_GR;
  long m_P_PA;
  COleDateTime m_P_EDIT_DATE;
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

 private:
  std::array<TableField, 24> Fields();
};
