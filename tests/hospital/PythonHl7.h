#pragma once

#include <cstdlib>
#include <string>

// python-hl7 (Debian's python3-hl7) as the hospital's side: present on a machine that `make test`
// prepared; a test without it skips with this note.
inline bool PythonHl7Present() {
  static const bool present =
      std::system((std::string(VUDODA_PYTHON) + " " + VUDODA_HL7_PEER + " check 2>/dev/null").c_str()) == 0;
  return present;
}

inline const char* kNoPythonHl7 =
    "python3-hl7 (Debian's python-hl7, the hospital's side of this test) is missing: apt-get install python3-hl7";

#define SKIP_WITHOUT_PYTHON_HL7() \
  if (!PythonHl7Present()) GTEST_SKIP() << kNoPythonHl7
