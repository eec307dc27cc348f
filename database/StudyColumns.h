#pragma once

#include <array>

#include "database/TableField.h"

// The columns of TBLStudy, for every class that holds a study row under the members
// m_S_ID … m_S_EDIT_DATE (the study table and the patient-study view): one list, one order.
namespace StudyColumns {

constexpr int kTextLimit = 30;
constexpr int kCommentLimit = 255;

template <class Row>
std::array<TableField, 10> Fields(Row& row) {
  return {{{"S_ID", row.m_S_ID},
           {"S_STUDY_ID", row.m_S_STUDY_ID},
           {"S_START_TIME", row.m_S_START_TIME},
           {"S_LENGTH", row.m_S_LENGTH},
           {"S_LOSS", row.m_S_LOSS},
           {"S_DOCTOR_ID", row.m_S_DOCTOR_ID},
           {"S_NURSE_ID", row.m_S_NURSE_ID},
           {"S_COMMENT", row.m_S_COMMENT},
           {"S_MEMB_STATUS", row.m_S_MEMB_STATUS},
           {"S_EDIT_DATE", row.m_S_EDIT_DATE}}};
}

// Texts empty, numbers 0, dates null with their stored values kept.
template <class Row>
void Clear(Row& row) {
  row.m_S_ID.Empty();
  row.m_S_STUDY_ID.Empty();
  row.m_S_START_TIME.SetStatus(COleDateTime::null);
  row.m_S_LENGTH = 0;
  row.m_S_LOSS = 0;
  row.m_S_DOCTOR_ID.Empty();
  row.m_S_NURSE_ID.Empty();
  row.m_S_COMMENT.Empty();
  row.m_S_MEMB_STATUS = 0;
  row.m_S_EDIT_DATE.SetStatus(COleDateTime::null);
}

template <class Row, class Other>
void Copy(Row& row, const Other& other) {
  row.m_S_ID = other.m_S_ID;
  row.m_S_STUDY_ID = other.m_S_STUDY_ID;
  row.m_S_START_TIME = other.m_S_START_TIME;
  row.m_S_LENGTH = other.m_S_LENGTH;
  row.m_S_LOSS = other.m_S_LOSS;
  row.m_S_DOCTOR_ID = other.m_S_DOCTOR_ID;
  row.m_S_NURSE_ID = other.m_S_NURSE_ID;
  row.m_S_COMMENT = other.m_S_COMMENT;
  row.m_S_MEMB_STATUS = other.m_S_MEMB_STATUS;
  row.m_S_EDIT_DATE = other.m_S_EDIT_DATE;
}

}  // namespace StudyColumns
