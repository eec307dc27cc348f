#pragma once

#include <cstdint>
#include <string>

#include "platform/COleDateTime.h"
#include "platform/CString.h"
#include "qnutilex/DbCell.h"
#include "qnutilex/DbValue.h"

// How the member types of the row classes are stored, one rule for every engine:
// - long: a 32-bit integer, as on the platform the station was born on: a value outside
//   -2^31..2^31-1 is refused when stored and fails when read;
// - double: a real number (not NaN or infinite, which SQL cannot hold);
// - COleDateTime: the text "YYYY-MM-DD HH:MM:SS.SSS", rounded to the millisecond (StoredDate
//   gives the value that reads back); a null date is NULL;
// - CString: the text converted from the process code page to UTF-8.
// Reading takes what an engine or another program may have stored: integers and reals for
// either number type (a real read as long only when whole), numeric texts, any date text that
// COleDateTime::ParseDateTime reads, and NULL as 0 or the empty text. Every conversion fails
// as a whole with a reason in `error` and leaves its target unchanged.
bool ToDbValue(long value, DbValue& stored, std::string& error);
bool ToDbValue(double value, DbValue& stored, std::string& error);
bool ToDbValue(const COleDateTime& value, DbValue& stored, std::string& error);
bool ToDbValue(const CString& value, DbValue& stored, std::string& error);

// The milliseconds since 1970-01-01 00:00 of a valid date after 1899 that lies on a whole
// millisecond, as every date made from its parts or read back does: the count gives back
// `value` itself. False for any other date.
bool WholeMilliseconds(const COleDateTime& value, std::int64_t& ms);

bool FromDbCell(const DbCell& cell, long& value, std::string& error);
bool FromDbCell(const DbCell& cell, double& value, std::string& error);
bool FromDbCell(const DbCell& cell, COleDateTime& value, std::string& error);
bool FromDbCell(const DbCell& cell, CString& value, std::string& error);
