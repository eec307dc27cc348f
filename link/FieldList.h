#pragma once

#include <string>
#include <vector>

#include "link/Field.h"
#include "link/LinkApi.h"

// Collects the fields of one packet in the order the packet lays them out.
class VUDODA_LINK_API FieldList {
 public:
  // A field with one value.
  void Add(std::string name, FieldValue value, CodeKind code = CodeKind::None);
  // A field with several values (samples or a pair), shown as a list.
  void AddList(std::string name, std::vector<FieldValue> values, CodeKind code = CodeKind::None);
  // A list field of `count` samples; `sample(i)` gives sample i.
  template <class SampleFn>
  void AddSamples(std::string name, int count, SampleFn sample) {
    std::vector<FieldValue> values;
    values.reserve(count);
    for (int i = 0; i < count; ++i) values.push_back(sample(i));
    AddList(std::move(name), std::move(values));
  }

  const std::vector<Field>& Fields() const { return m_fields; }

 private:
  std::vector<Field> m_fields;
};
