#pragma once

#include <array>

#include "database/TBLBase.h"
#include "platform/COleDateTime.h"
#include "platform/CString.h"

// One row of TBLPatient: a patient, key P_ID. Texts are limited to 30 bytes (P_COMMENT 255),
// shortened by FieldCheck, which Add and Update call. The host fills every column, the dates
// included; nothing is stamped here.
class AFX_EXT_CLASS TBLPatient : public TBLBase {
 public:
  TBLPatient(QnAdo* pDataBase = nullptr);  // NOLINT: implicit, as the other row classes
  // The same connection, no conditions, the row of `other`.
  TBLPatient(const TBLPatient& other);
  virtual ~TBLPatient();

  // Copies the fourteen columns and the loaded key; not the connection, not the conditions.
  TBLPatient& operator=(const TBLPatient& other);
  // A new patient on the same connection holding this row; the caller deletes it.
  TBLPatient* Clone();

  void Clear();
  void FieldCheck();
  int Get();
  int Add();
  int Update();
  int Delete();
  int CursorOpenCondition();
  int CursorOpenEx(const char* condition);
  int CursorGet();

  // Today's first identifier "YYYYMMDD-NNN" with no patient; "" without a connected database.
  static CString GetUniqueId(QnAdo* pDataBase);

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
  CString m_P_ID_OLD;

 private:
  std::array<TableField, 14> Fields();
  // The key, quoted, formatted into `format`; 0 for a key that no statement can name.
  int FormatWithKey(const char* format, CString& sql) const;
};
