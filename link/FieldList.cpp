#include "link/FieldList.h"

void FieldList::Add(std::string name, FieldValue value, CodeKind code) {
  m_fields.push_back(Field{std::move(name), {std::move(value)}, false, code});
}

void FieldList::AddList(std::string name, std::vector<FieldValue> values, CodeKind code) {
  m_fields.push_back(Field{std::move(name), std::move(values), true, code});
}
