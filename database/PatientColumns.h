#pragma once

#include <array>

#include "database/TableField.h"

// The columns of TBLPatient, for every class that holds a patient row under the members
// m_P_ID … m_P_EDIT_DATE (the patient table and the patient-study view): one list, one order.
namespace PatientColumns {

constexpr int kTextLimit = 30;
constexpr int kCommentLimit = 255;

template <class Row>
std::array<TableField, 14> Fields(Row& row) {
  return {{{"P_ID", row.m_P_ID},
           {"P_FIRST_NAME", row.m_P_FIRST_NAME},
           {"P_LAST_NAME", row.m_P_LAST_NAME},
           {"P_REG_DATE", row.m_P_REG_DATE},
           {"P_BIRTHDAY", row.m_P_BIRTHDAY},
           {"P_HEIGHT", row.m_P_HEIGHT},
           {"P_WEIGHT", row.m_P_WEIGHT},
           {"P_COMMENT", row.m_P_COMMENT},
           {"P_DOCTOR_ID", row.m_P_DOCTOR_ID},
           {"P_LMP", row.m_P_LMP},
           {"P_EDC", row.m_P_EDC},
           {"P_GR", row.m_P_GR},
           {"P_PA", row.m_P_PA},
           {"P_EDIT_DATE", row.m_P_EDIT_DATE}}};
}

// Texts empty, numbers 0, dates null with their stored values kept.
template <class Row>
void Clear(Row& row) {
  row.m_P_ID.Empty();
  row.m_P_FIRST_NAME.Empty();
  row.m_P_LAST_NAME.Empty();
  row.m_P_REG_DATE.SetStatus(COleDateTime::null);
  row.m_P_BIRTHDAY.SetStatus(COleDateTime::null);
  row.m_P_HEIGHT = 0.0;
  row.m_P_WEIGHT = 0.0;
  row.m_P_COMMENT.Empty();
  row.m_P_DOCTOR_ID.Empty();
  row.m_P_LMP.SetStatus(COleDateTime::null);
  row.m_P_EDC.SetStatus(COleDateTime::null);
  row.m_P_GR = 0;
  row.m_P_PA = 0;
  row.m_P_EDIT_DATE.SetStatus(COleDateTime::null);
}

template <class Row, class Other>
void Copy(Row& row, const Other& other) {
  row.m_P_ID = other.m_P_ID;
  row.m_P_FIRST_NAME = other.m_P_FIRST_NAME;
  row.m_P_LAST_NAME = other.m_P_LAST_NAME;
  row.m_P_REG_DATE = other.m_P_REG_DATE;
  row.m_P_BIRTHDAY = other.m_P_BIRTHDAY;
  row.m_P_HEIGHT = other.m_P_HEIGHT;
  row.m_P_WEIGHT = other.m_P_WEIGHT;
  row.m_P_COMMENT = other.m_P_COMMENT;
  row.m_P_DOCTOR_ID = other.m_P_DOCTOR_ID;
  row.m_P_LMP = other.m_P_LMP;
  row.m_P_EDC = other.m_P_EDC;
  row.m_P_GR = other.m_P_GR;
  row.m_P_PA = other.m_P_PA;
  row.m_P_EDIT_DATE = other.m_P_EDIT_DATE;
}

}  // namespace PatientColumns
