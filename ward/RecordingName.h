#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ward/WardApi.h"

// How a study's identifiers name its recording on disk: Studies/<patient>/<study>.link. Each
// identifier is escaped, never folded, so that distinct patients or studies never share a file:
// the capital letters A-Z, the digits, '-' and '_' stand for themselves, every other byte is
// '%' and two capital hex digits ("AB.1" is "AB%2E1", "ab" is "%61%62"), the empty identifier
// is "%". No small letter is ever written, so the names stay distinct where the file system
// ignores case; none is "." or "..", and none holds a '/'.
//
// A name longer than a file system takes (NAME_MAX, less the longest suffix) is cut and ends
// in "%%" and a hash of the whole identifier; the study's owner line (StudyRecording) tells
// such names apart should two ever meet.
class VUDODA_WARD_API RecordingName {
 public:
  // The file name of `id`, as above.
  static std::string Of(std::string_view id);
  // `id` escaped, whatever its length.
  static std::string Escaped(std::string_view id);
  // The identifier of an escaped text, or nullopt when `escaped` is not one.
  static std::optional<std::string> Unescaped(std::string_view escaped);
};
