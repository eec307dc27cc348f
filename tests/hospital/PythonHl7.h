#pragma once

#include <cstdlib>
#include <string>

// python-hl7 (Debian's python3-hl7) as the hospital's side: `make test` installs it, so a test
// that finds it missing fails with this note rather than passing untried.
inline bool PythonHl7Present() {
  static const bool present =
      std::system((std::string(VUDODA_PYTHON) + " " + VUDODA_HL7_PEER + " check 2>/dev/null").c_str()) == 0;
  return present;
}

inline const char* kNoPythonHl7 =
    "python3-hl7 (Debian's python-hl7, the hospital's side of this test) is missing: apt-get install python3-hl7";

#define REQUIRE_PYTHON_HL7() ASSERT_TRUE(PythonHl7Present()) << kNoPythonHl7
