#pragma once

#include "platform/AfxExport.h"
#include "platform/CString.h"
#include "platform/windef.h"

// ParseDateTime flags, Win32's values: keep only the time, or only the date, of the text.
#define VAR_TIMEVALUEONLY 0x00000001
#define VAR_DATEVALUEONLY 0x00000002

// What the component getters return when the date has no valid value.
#define AFX_OLE_DATETIME_ERROR (-1)

// MFC's COleDateTime: a point in time as an OLE date, the days since 30 December 1899 00:00,
// the time of day as the fraction. A negative date counts its day toward the past and its time
// forward: the integer part (truncated toward zero) is the day, the fraction's absolute value
// the time, so -1.25 is 29 December 1899 06:00. Representable: 1 January 100 to 31 December
// 9999. Values keep milliseconds; the calendar getters and Format round to the nearest second
// (half a second rounds up, a time that rounds up to midnight belongs to the next day).
class AFX_EXT_CLASS COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

  // 30 December 1899 00:00 (0.0), valid.
  COleDateTime() = default;
  // The given value; status invalid when it is not a finite date of years 100 to 9999.
  COleDateTime(DATE date);  // NOLINT: implicit, as MFC's
  // As SetDateTime.
  COleDateTime(int year, int month, int day, int hour, int minute, int second);

  // The local time of the system clock, whole seconds.
  static COleDateTime GetCurrentTime();
  // Not in MFC: the moment `milliseconds` after 1 January 1970 00:00 on the same calendar, the
  // very value that ParseDateTime gives for that moment's timestamp text; status invalid
  // outside the representable days.
  static COleDateTime FromUnixMilliseconds(long long milliseconds);

  // Sets the date and time: 0 and status valid when every component is in range (years
  // 100-9999, a day the month has, 0-23, 0-59, 0-59); otherwise 1, status invalid, the value
  // unchanged.
  int SetDateTime(int year, int month, int day, int hour, int minute, int second);
  // The date at 00:00; as SetDateTime.
  int SetDate(int year, int month, int day);
  // The time on 30 December 1899; as SetDateTime.
  int SetTime(int hour, int minute, int second);

  DateTimeStatus GetStatus() const { return m_status; }
  void SetStatus(DateTimeStatus status) { m_status = status; }
  operator DATE() const { return m_dt; }  // NOLINT: implicit, as MFC's

  // Calendar components; AFX_OLE_DATETIME_ERROR unless the status is valid and the value
  // representable. GetDayOfWeek: 1 Sunday … 7 Saturday; GetDayOfYear: 1 … 366.
  int GetYear() const;
  int GetMonth() const;
  int GetDay() const;
  int GetHour() const;
  int GetMinute() const;
  int GetSecond() const;
  int GetDayOfWeek() const;
  int GetDayOfYear() const;

  // Equal: both valid at the same moment, or both null. The orderings hold only between two
  // valid dates (false otherwise) and follow time, also across negative dates.
  bool operator==(const COleDateTime& other) const;
  bool operator!=(const COleDateTime& other) const { return !(*this == other); }
  bool operator<(const COleDateTime& other) const;
  bool operator>(const COleDateTime& other) const { return other < *this; }
  bool operator<=(const COleDateTime& other) const { return *this < other || *this == other; }
  bool operator>=(const COleDateTime& other) const { return *this > other || *this == other; }

  // The US English default form: "1/5/2024 10:30:15 AM"; the date alone at midnight, the time
  // alone on 30 December 1899. Null gives "", invalid or unrepresentable "Invalid DateTime".
  CString Format() const;
  // strftime of `format` (the default form for nullptr); null and invalid as Format().
  CString Format(const char* format) const;
  // Not in MFC: "YYYY-MM-DD HH:MM:SS.mmm", to the millisecond, the form in which the database
  // stores timestamps and which ParseDateTime reads back; "" unless valid and representable.
  CString FormatTimestamp() const;

  // Reads a date and/or time in US English order, whatever `locale`: "2024-01-05",
  // "1/5/2024", "1/5/24" (years 30-99 in the 1900s, 00-29 in the 2000s), "Jan 5 2024",
  // "January 5, 2024", "5 Jan 2024", "5-Jan-2024", each optionally followed (after a blank,
  // or 'T' after the ISO form) by a time "10:30", "10:30:15", "10:30:15.250" (any fraction of
  // a second is kept) or "10 PM", with an optional AM/PM. A time alone falls on 30 December
  // 1899, a date alone at midnight. The flags drop the date or the time part. On success true
  // and status valid; otherwise false, value 0.0 and status invalid.
  bool ParseDateTime(const char* text, DWORD flags = 0, LCID locale = LANG_USER_DEFAULT);

  DATE m_dt = 0.0;
  DateTimeStatus m_status = valid;
};
