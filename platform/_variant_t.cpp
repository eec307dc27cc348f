#include "platform/_variant_t.h"

// SCODE is a long, so the error code and the integer share one member.
_variant_t::_variant_t(long value, VARTYPE type) : vt(type), lVal(value) {}

bool _variant_t::operator==(const _variant_t& other) const {
  if (vt != other.vt) return false;
  switch (vt) {
    case VT_I4:
      return lVal == other.lVal;
    case VT_ERROR:
      return scode == other.scode;
    default:
      return true;
  }
}

const _variant_t vtMissing(DISP_E_PARAMNOTFOUND, VT_ERROR);
