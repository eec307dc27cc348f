#include "database/TBLPatientStudy.h"

#include <new>

#include "database/PatientColumns.h"
#include "database/StudyColumns.h"

namespace {

constexpr const char* kSelect =
    "SELECT * FROM TBLStudy INNER JOIN TBLPatient ON TBLStudy.S_ID = TBLPatient.P_ID ORDER BY S_ID, S_STUDY_ID";
constexpr const char* kSelectWithClause =
    "SELECT * FROM TBLStudy INNER JOIN TBLPatient ON TBLStudy.S_ID = TBLPatient.P_ID %s ORDER BY S_ID, S_STUDY_ID";
constexpr const char* kKeyClause = "WHERE S_ID='%s' AND S_STUDY_ID='%s' AND P_ID=S_ID";

}  // namespace

TBLPatientStudy::TBLPatientStudy(QnAdo* pDataBase)
    : TBLBase(pDataBase),
      m_P_HEIGHT(0.0),
      m_P_WEIGHT(0.0),
      m_P_GR(0),
      m_P_PA(0),
      m_S_LENGTH(0),
      m_S_LOSS(0),
      m_S_MEMB_STATUS(0) {
  Clear();
}

TBLPatientStudy::TBLPatientStudy(const TBLPatientStudy& other) : TBLPatientStudy(other.GetDataBase()) {
  *this = other;
}

TBLPatientStudy::~TBLPatientStudy() = default;

TBLPatientStudy& TBLPatientStudy::operator=(const TBLPatientStudy& other) {
  PatientColumns::Copy(*this, other);
  StudyColumns::Copy(*this, other);
  return *this;
}

TBLPatientStudy* TBLPatientStudy::Clone() {
  auto* clone = new (std::nothrow) TBLPatientStudy(GetDataBase());
  if (clone) *clone = *this;
  return clone;
}

std::array<TableField, 24> TBLPatientStudy::Fields() {
  const std::array<TableField, 14> patient = PatientColumns::Fields(*this);
  const std::array<TableField, 10> study = StudyColumns::Fields(*this);
  return {patient[0], patient[1], patient[2],  patient[3],  patient[4], patient[5], patient[6], patient[7],
          patient[8], patient[9], patient[10], patient[11], patient[12], patient[13], study[0],  study[1],
          study[2],   study[3],   study[4],    study[5],    study[6],    study[7],    study[8],  study[9]};
}

void TBLPatientStudy::Clear() {
  PatientColumns::Clear(*this);
  StudyColumns::Clear(*this);
  ClearCondition();
}

int TBLPatientStudy::Get(CString sId, CString studyId) {
  CString id, study, clause;
  if (!QuoteText(sId, id) || !QuoteText(studyId, study)) return 0;
  clause = Filled(kKeyClause, {id.GetString(), study.GetString()});
  return ReadRowOfKey(*this, clause);
}

int TBLPatientStudy::CursorOpenCondition() { return OpenSelectOfConditions(kSelect, kSelectWithClause); }

int TBLPatientStudy::CursorOpenEx(const char* condition) { return OpenSelect(kSelect, kSelectWithClause, condition); }

int TBLPatientStudy::CursorGet() {
  Clear();
  if (!ReadFields(Fields())) {
    Clear();
    return 0;
  }
  return 1;
}
