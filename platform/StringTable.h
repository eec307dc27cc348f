#pragma once

// A module's string table, as the string-table compiler (res/compiler) writes it into the
// module: texts in UTF-8, sorted by id, each id once. Every module that carries texts (the
// module itself, each language library) exports one C function, VUDODA_STRING_TABLE, that
// returns its table; the platform calls it once the module is loaded. A function rather than
// a variable: the same data name in every module would be one object defined many times.
//
// Header only: a language library holds nothing but its table and links no library of ours.
#include <string_view>

#include "platform/AfxExport.h"
#include "platform/windef.h"

#define VUDODA_STRING_TABLE VuDodaStringTable
#define VUDODA_STRING_TABLE_NAME "VuDodaStringTable"

// One text: its string id and its UTF-8 bytes (`length` of them, without a terminating zero).
struct StringTableEntry {
  UINT id;
  UINT length;
  const char* text;

  std::string_view Text() const { return {text, length}; }
};

class StringTable;
// The exported function's type.
typedef const StringTable* (*STRING_TABLE_PROC)();

class StringTable {
 public:
  const StringTableEntry* entries;
  UINT count;

  // The entry of `id`, or null when the table has none. Requires the sort order above.
  const StringTableEntry* Find(UINT id) const {
    if (count == 0) return nullptr;
    // A binary search without branches on the ids (a conditional move each step): a station's
    // ids come in no predictable order, and mispredicted branches would cost more than the rest
    // of a lookup together. The wanted entry, if any, stays within [first, first + size).
    const StringTableEntry* first = entries;
    for (UINT size = count; size > 1;) {
      const UINT half = size / 2;
      first = first[half].id <= id ? first + half : first;
      size -= half;
    }
    return first->id == id ? first : nullptr;
  }
};
