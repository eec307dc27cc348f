#pragma once

#include <string>
#include <vector>

#include "qnutilex/QnAdo.h"
#include "registry/RegistryApi.h"

// Moves a station's patients, studies and users into another patient database (a station's
// file into the ward's server, or back) through the row classes, in one transaction of the
// target. A row whose key the target does not hold is added; one it holds with the same value
// in every column is skipped, so a second run changes nothing; one it holds with other content
// is refused and named in Conflicts(). Any refused row or failure rolls the transaction back:
// the target gets the whole copy or nothing.
class VUDODA_REGISTRY_API DatabaseCopy {
 public:
  // Both connected; neither is owned.
  DatabaseCopy(QnAdo& from, QnAdo& to) : m_from(from), m_to(to) {}

  // True when every row was added or skipped and the target committed them.
  bool Run();

  int Added() const { return m_added; }
  int Skipped() const { return m_skipped; }
  // Each refused row as its table and key: "TBLPatient P-1", "TBLStudy P-1 20260104090507".
  const std::vector<std::string>& Conflicts() const { return m_conflicts; }
  // Why Run failed when no row was refused: a read, a write or the transaction.
  const std::string& Error() const { return m_error; }

 private:
  template <class Row>
  bool CopyTable(const char* table);
  template <class Row>
  bool ReadAll(std::vector<Row>& rows);
  template <class Row>
  bool Insert(const char* table, Row& row);
  bool Fail(const std::string& what, QnAdo& db);

  QnAdo& m_from;
  QnAdo& m_to;
  int m_added = 0;
  int m_skipped = 0;
  std::vector<std::string> m_conflicts;
  std::string m_error;
};
