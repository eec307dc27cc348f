#pragma once

#include "platform/AfxExport.h"
#include "platform/windef.h"

typedef unsigned short VARTYPE;
typedef LONG SCODE;

// The variant kinds that the module passes: empty, a 32-bit integer and an error code.
enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_I4 = 3,
  VT_ERROR = 10,
};

// The error code of an optional argument that was left out.
#define DISP_E_PARAMNOTFOUND static_cast<SCODE>(static_cast<int>(0x80020004u))  // negative, as in Win32

// The part of COM's _variant_t that the module uses: a tagged value that is either empty, a
// long, or an error code. Its one real use is vtMissing, the "argument left out" marker that
// the database calls take in place of field and value lists.
class AFX_EXT_CLASS _variant_t {
 public:
  _variant_t() = default;
  // A VT_I4 value, or with VT_ERROR an error code (as COM's constructor of the same shape).
  _variant_t(long value, VARTYPE type = VT_I4);  // NOLINT: implicit, as COM's

  // Same kind and same value.
  bool operator==(const _variant_t& other) const;
  bool operator!=(const _variant_t& other) const { return !(*this == other); }

  VARTYPE vt = VT_EMPTY;
  union {
    long lVal = 0;
    SCODE scode;
  };
};

// The "argument left out" variant: VT_ERROR with DISP_E_PARAMNOTFOUND.
extern AFX_EXT_API const _variant_t vtMissing;
