#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "hospital/HospitalApi.h"

// The encoding characters of an HL7 v2 message, as its MSH segment declares them: MSH-1 the
// field separator, MSH-2 the component, repetition, escape and subcomponent characters and,
// from version 2.7, the truncation character. A message that declares none of its own uses
// "|^~\&".
//
// Escape and Unescape move a value between its text and its form inside a message: a delimiter
// inside a value travels as an escape sequence (\F\ field, \S\ component, \T\ subcomponent,
// \R\ repetition, \E\ escape, \P\ truncation), so that splitting a message never splits a value.
struct VUDODA_HOSPITAL_API Hl7Delimiters {
  char field = '|';
  char component = '^';
  char repetition = '~';
  char escape = '\\';
  char subcomponent = '&';
  std::optional<char> truncation;

  // The delimiters of an MSH segment that begins `segment` ("MSH|^~\&|..."), or the fault: no
  // MSH, a field separator or encoding characters that are missing, repeated, letters or digits,
  // or line ends. Four encoding characters are required, a fifth (truncation) is taken.
  static std::optional<Hl7Delimiters> FromMsh(std::string_view segment, std::string& fault);

  // MSH-2 as these delimiters write it.
  std::string EncodingCharacters() const;
  // Whether `c` is one of the delimiters (the field separator included).
  bool IsDelimiter(char c) const;

  // The value with every delimiter replaced by its escape sequence; line ends and other control
  // characters travel as \Xhh\ so that a value never ends a segment.
  std::string Escape(std::string_view text) const;
  // The text of an escaped value: the delimiter sequences and \Xhh..\ (bytes in hex) are
  // decoded, the highlighting sequences \H\ and \N\ dropped; any other sequence (a character-set
  // switch, a formatting command) and an escape character without its closing one are kept as
  // they stand, so that nothing a sender wrote is lost.
  std::string Unescape(std::string_view text) const;
};
