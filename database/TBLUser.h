#pragma once

#include <array>

#include "database/TBLBase.h"
#include "platform/COleDateTime.h"
#include "platform/CString.h"

// One row of TBLUser: a station user, key M_ID. The password is an ordinary text, stored and
// read as the member holds it. Texts are limited to 50 bytes, shortened by FieldCheck, which
// Add and Update call. The name is declared before the identifier; columns are read and
// written in the order M_ID, M_NAME, M_PASSWORD, M_LEVEL, M_REG_DATE, M_EDIT_DATE.
class AFX_EXT_CLASS TBLUser : public TBLBase {
 public:
  TBLUser(QnAdo* pDataBase = nullptr);  // NOLINT: implicit, as the other row classes
  // The same connection, no conditions, the row of `other`.
  TBLUser(const TBLUser& other);
  virtual ~TBLUser();

  // Copies the six columns and the loaded key; not the connection, not the conditions.
  TBLUser& operator=(const TBLUser& other);
  // A new user on the same connection holding this row; the caller deletes it.
  TBLUser* Clone();

  void Clear();
  void FieldCheck();
  int Get();
  int Add();
  int Update();
  int Delete();
  int CursorOpenCondition();
  int CursorOpenEx(const char* condition);
  int CursorGet();

  // Today's first identifier "YYYYMMDD-NNN" with no user; "" without a connected database.
  static CString GetUniqueId(QnAdo* pDataBase);
  // "name(id)" of the first user whose M_ID is LIKE `id` (% and _ act as wildcards); "" for
  // an empty id, no such user, a failed read or no connection.
  static CString GetUserNameStringInDatabase(QnAdo* pDataBase, CString id);

  CString m_M_NAME;
  CString m_M_ID;
  CString m_M_PASSWORD;
  long m_M_LEVEL;
  COleDateTime m_M_REG_DATE;
  COleDateTime m_M_EDIT_DATE;
  CString m_M_ID_OLD;

 private:
  std::array<TableField, 6> Fields();
  // The key, quoted, formatted into `format`; 0 for a key that no statement can name.
  int FormatWithKey(const char* format, CString& sql) const;
};
