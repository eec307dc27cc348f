#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "config/ConfigScratch.h"

using Bytes = std::vector<unsigned char>;

// A scratch folder per test for the small recordings a test writes, removed afterwards.
class RecordingScratch : public ConfigScratch {
 protected:
  std::string File(const std::string& name) const { return ConfigScratch::File(name.c_str()); }
  std::string Write(const std::string& name, const Bytes& bytes) const {
    WriteFile(File(name), std::string(bytes.begin(), bytes.end()));
    return File(name);
  }
  std::string Write(const std::string& name, const std::string& text) const {
    WriteFile(File(name), text);
    return File(name);
  }
};

// 16-bit little-endian words, the unit of both recording formats.
inline Bytes Words(std::initializer_list<int> words) {
  Bytes bytes;
  for (int word : words) {
    bytes.push_back(static_cast<unsigned char>(word));
    bytes.push_back(static_cast<unsigned char>(word >> 8));
  }
  return bytes;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}
