#pragma once

#include <variant>

#include "platform/COleDateTime.h"
#include "platform/CString.h"
#include "qnutilex/QnAdo.h"

// One column of a row class: the column's name and the member that holds its value, with the
// access type of the column given by the member's type. A row class lists its columns once, in
// column order, and that list drives reading, adding and writing back.
class TableField {
 public:
  TableField(const char* column, CString& member) : m_column(column), m_member(&member) {}
  TableField(const char* column, COleDateTime& member) : m_column(column), m_member(&member) {}
  TableField(const char* column, long& member) : m_column(column), m_member(&member) {}
  TableField(const char* column, double& member) : m_column(column), m_member(&member) {}

  const char* Column() const { return m_column; }
  // GetFieldValue of the current row into the member; the result of that call.
  int Read(QnAdo& db) const {
    return std::visit([&](auto* member) { return db.GetFieldValue(m_column, *member); }, m_member);
  }
  // Whether `other`'s member holds the same value as this one's (both of one type).
  bool SameValue(const TableField& other) const {
    return m_member.index() == other.m_member.index() &&
           std::visit([&](auto* member) { return *member == *std::get<decltype(member)>(other.m_member); }, m_member);
  }
  // SetFieldValue of the member into the current row; the result of that call. A date member
  // is first settled on the value that the database keeps (to the millisecond), as FieldCheck
  // shortens a text: what the object holds afterwards is what reads back.
  int Write(QnAdo& db) const {
    if (auto* const* date = std::get_if<COleDateTime*>(&m_member)) **date = QnAdo::StoredDate(**date);
    return std::visit([&](auto* member) { return db.SetFieldValue(m_column, *member); }, m_member);
  }

 private:
  const char* m_column;
  std::variant<CString*, COleDateTime*, long*, double*> m_member;
};
