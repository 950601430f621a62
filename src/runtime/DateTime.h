// TDateTime, days since 1899-12-30 in local time, and its conversions.
#pragma once

#include <ctime>

#include "runtime/String.h"

namespace cantrel {

// Days since 1899-12-30 00:00, the fraction being the time of day, in local
// time. Before that day the whole part is negative while the fraction still
// counts forward: -1.25 is 1899-12-29 06:00.
using TDateTime = double;

// The local date and time of a calendar day, proleptic Gregorian.
TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour = 0, int Minute = 0, int Second = 0,
                         int MSec = 0);

// A moment of the system clock (a file's last-write time, say) as the local
// date and time.
TDateTime UnixTimeToDateTime(const timespec& Time);
TDateTime Now();

// The user's locale date and time format (numeric date, time with seconds).
String DateTimeToStr(TDateTime Value);
// Reads a date and time, or a date alone, in the user's locale format. A text
// that does not parse raises EConvertError.
TDateTime StrToDateTime(StringView Text);

}  // namespace cantrel
