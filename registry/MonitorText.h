#pragma once

#include <string>
#include <string_view>

#include "platform/windef.h"
#include "registry/RegistryApi.h"

// A text of a monitor's packet in the station's own code page. A monitor writes 8-bit texts in
// its code page (the ward's monitors share one, StationOptions::monitorCodePage); the database,
// the screens and the event logs take the process code page (GetACP). A monitor's text is never
// refused for its bytes: the station records the link whatever the text holds.
struct VUDODA_REGISTRY_API MonitorText {
  std::string text;   // in the process code page
  bool exact = true;  // false: some byte was not a character of the monitor's code page, or the
                      // process code page cannot hold it

  // `raw` read in `codePage` and converted to the process code page; each byte that converts
  // to nothing there is kept as '?' (exact false).
  static MonitorText Decode(std::string_view raw, UINT codePage);
  // A patient identifier: what Decode gives when it is exact, fits `width` bytes and does not
  // begin with '~'; otherwise '~' and the raw bytes in unpadded base64url (a 20-byte field makes
  // 28 characters), exact false. Distinct raw identifiers never give the same text, so that no
  // two patients are filed as one.
  static MonitorText Identifier(std::string_view raw, UINT codePage, std::size_t width);
  // `raw` as hex bytes "4D FC 6C", for an event log that keeps what the monitor sent.
  static std::string Hex(std::string_view raw);
};
