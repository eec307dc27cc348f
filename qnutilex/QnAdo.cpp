#include "qnutilex/QnAdo.h"

#include <string>
#include <type_traits>

#include "platform/CodePage.h"
#include "qnutilex/AsciiText.h"
#include "qnutilex/DbCommand.h"
#include "qnutilex/DbConnection.h"
#include "qnutilex/DbFieldValue.h"
#include "qnutilex/DbRecordset.h"

// The three objects exist from the start, so that copies taken before Connect share the
// connection that Connect then opens.
QnAdo::QnAdo()
    : m_pConnection(std::make_shared<DbConnection>()),
      m_pCommand(std::make_shared<DbCommand>()),
      m_pRecordset(std::make_shared<DbRecordset>()) {}

QnAdo::QnAdo(const QnAdo& other) = default;
QnAdo& QnAdo::operator=(const QnAdo& other) = default;
QnAdo::~QnAdo() = default;

int QnAdo::Fail(const std::string& utf8Message) {
  std::string text;
  m_strLastError = CString(Utf8ToAnsi(utf8Message, text) ? text : utf8Message);
  return 0;
}

int QnAdo::Succeed(bool done) { return done ? 1 : Fail(m_pRecordset->LastError()); }

int QnAdo::RequireConnection() { return IsConnected() ? 1 : Fail("not connected to a database"); }

int QnAdo::RequireRecordset() { return IsRecordsetOpened() ? 1 : Fail("no recordset is open"); }

int QnAdo::Connect(const char* uri) {
  m_pRecordset->Close();
  std::string error;
  return m_pConnection->Open(uri ? uri : "", error) ? 1 : Fail(error);
}

void QnAdo::Disconnect() {
  m_pRecordset->Close();
  m_pConnection->Close();
}

void QnAdo::SetCheckSinceRead(int on) { m_pConnection->SetCheckSinceRead(on != 0); }
int QnAdo::IsCheckingSinceRead() const { return m_pConnection->IsCheckingSinceRead() ? 1 : 0; }

int QnAdo::IsConnected() const { return m_pConnection->IsOpen() ? 1 : 0; }
int QnAdo::IsRecordsetOpened() const { return m_pRecordset->IsOpen() ? 1 : 0; }
int QnAdo::IsCommandCreated() const { return m_pCommand ? 1 : 0; }
int QnAdo::IsEOF() const { return m_pRecordset->IsEOF() ? 1 : 0; }
int QnAdo::IsBOF() const { return m_pRecordset->IsBOF() ? 1 : 0; }

namespace {

// Statements and names arrive in the process code page; the engines take UTF-8: `utf8` views
// `text` itself when it is ASCII, else its conversion in `converted`.
bool ToUtf8(const char* text, std::string& converted, std::string_view& utf8, std::string& error) {
  utf8 = text ? text : "";
  if (IsAsciiText(utf8)) return true;
  if (AnsiToUtf8(utf8, converted)) {
    utf8 = converted;
    return true;
  }
  error = "the statement is not valid in the process code page " + std::to_string(GetACP());
  return false;
}

}  // namespace

int QnAdo::OpenTable(const char* table, CursorTypeEnum /*cursorType*/, LockTypeEnum /*lockType*/) {
  std::string converted, error;
  std::string_view name;
  if (!RequireConnection()) return 0;
  if (!ToUtf8(table, converted, name, error)) return Fail(error);
  return Succeed(m_pRecordset->OpenTable(*m_pConnection->Engine(), name));
}

int QnAdo::OpenRecordset(const char* sql, CursorTypeEnum /*cursorType*/, LockTypeEnum lockType) {
  std::string converted, error;
  std::string_view statement;
  if (!RequireConnection()) return 0;
  if (!ToUtf8(sql, converted, statement, error)) {
    m_pRecordset->Close();
    return Fail(error);
  }
  DbConnection* sinceRead = m_pConnection->IsCheckingSinceRead() ? m_pConnection.get() : nullptr;
  const bool forEditing = lockType == adLockOptimistic || lockType == adLockPessimistic;
  if (!m_pRecordset->Open(*m_pConnection->Engine(), statement, sinceRead, forEditing)) {
    return Fail(m_pRecordset->LastError());
  }
  return m_pRecordset->GetRecordCount() > 0 ? 1 : Fail("the query gave no rows");
}

long QnAdo::GetRecordCount() {
  const long count = m_pRecordset->GetRecordCount();
  if (count < 0) Fail(m_pRecordset->LastError());
  return count;
}

int QnAdo::MoveFirst() { return Succeed(m_pRecordset->MoveFirst()); }
int QnAdo::MoveNext() { return Succeed(m_pRecordset->MoveNext()); }

int QnAdo::CloseRecordset() {
  m_pRecordset->Close();
  return 1;
}

int QnAdo::Transaction(bool (DbConnection::*step)(std::string& error)) {
  std::string error;
  if (!RequireConnection()) return 0;
  return (m_pConnection.get()->*step)(error) ? 1 : Fail(error);
}

int QnAdo::BeginTrans() { return Transaction(&DbConnection::BeginTransaction); }
int QnAdo::CommitTrans() { return Transaction(&DbConnection::CommitTransaction); }
int QnAdo::Rollback() { return Transaction(&DbConnection::RollbackTransaction); }

int QnAdo::AddNew(const _variant_t& fields, const _variant_t& values) {
  if (fields != vtMissing || values != vtMissing) return Fail("AddNew takes no field or value list");
  return Succeed(m_pRecordset->AddNew());
}

int QnAdo::Update(const _variant_t& fields, const _variant_t& values) {
  if (fields != vtMissing || values != vtMissing) return Fail("Update takes no field or value list");
  return Succeed(m_pRecordset->Update());
}

template <typename Value>
int QnAdo::SetField(const char* name, const Value& value) {
  const std::string column(name ? name : "");
  DbValue stored;
  std::string error;
  if (!RequireRecordset()) return 0;
  if (!ToDbValue(value, stored, error)) return FailAt(column, error);
  return Succeed(m_pRecordset->SetField(column, std::move(stored)));
}

template <typename Value>
int QnAdo::GetField(const char* name, Value& value) {
  const std::string_view column(name ? name : "");
  // A date member takes a stored date as its count, without spelling and reading its text.
  const auto dates = std::is_same_v<Value, COleDateTime> ? DbRows::DateForm::kCount : DbRows::DateForm::kText;
  const DbCell* cell = m_pRecordset->Field(column, dates);
  if (!cell) return Fail(m_pRecordset->LastError());
  std::string error;
  return FromDbCell(*cell, value, error) ? 1 : FailAt(column, error);
}

int QnAdo::FailAt(std::string_view column, const std::string& error) { return Fail(std::string(column) + ": " + error); }

int QnAdo::SetFieldValue(const char* name, long value) { return SetField(name, value); }
int QnAdo::SetFieldValue(const char* name, double value) { return SetField(name, value); }
int QnAdo::SetFieldValue(const char* name, const COleDateTime& value) { return SetField(name, value); }
int QnAdo::SetFieldValue(const char* name, const CString& value) { return SetField(name, value); }
int QnAdo::GetFieldValue(const char* name, long& value) { return GetField(name, value); }
int QnAdo::GetFieldValue(const char* name, double& value) { return GetField(name, value); }
int QnAdo::GetFieldValue(const char* name, COleDateTime& value) { return GetField(name, value); }
int QnAdo::GetFieldValue(const char* name, CString& value) { return GetField(name, value); }

int QnAdo::ExecuteSQL(const char* sql) {
  std::string converted, error;
  std::string_view statement;
  if (!RequireConnection()) return 0;
  if (!ToUtf8(sql, converted, statement, error)) return Fail(error);
  return m_pCommand->Execute(*m_pConnection->Engine(), statement) ? 1 : Fail(m_pConnection->Engine()->LastError());
}

COleDateTime QnAdo::StoredDate(const COleDateTime& date) {
  DbValue stored;
  std::string error;
  std::int64_t ms;
  COleDateTime settled = date;
  if (WholeMilliseconds(date, ms)) return settled;  // already what reads back
  if (date.GetStatus() == COleDateTime::valid && ToDbValue(date, stored, error)) {
    FromDbCell(DbCell::Text(stored.text), settled, error);
  }
  return settled;
}
