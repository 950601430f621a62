// TDateTime, days since 1899-12-30 in local time, and its conversions.
#include "runtime/DateTime.h"

#include <unicode/dtptngen.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "runtime/Exceptions.h"
#include "runtime/Locale.h"
#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

constexpr double UnixDateDelta = 25569.0;  // 1970-01-01 as a date-time
constexpr double MSecsPerDay = 86400000.0;

// Local wall-clock time as milliseconds since 1970-01-01 00:00, a plain
// number line without the date-time's odd negative encoding.
TDateTime WallMSecsToDateTime(double MSecs) {
  const double Days = MSecs / MSecsPerDay + UnixDateDelta;
  const double WholeDays = std::floor(Days);
  return WholeDays >= 0 ? Days : WholeDays - (Days - WholeDays);
}

double DateTimeToWallMSecs(TDateTime Value) {
  const double WholeDays = std::trunc(Value);
  const double Days = WholeDays + std::fabs(Value - WholeDays);
  return std::round((Days - UnixDateDelta) * MSecsPerDay);
}

double WallMSecs(const timespec& Time) {
  tm Local{};
  localtime_r(&Time.tv_sec, &Local);
  return (static_cast<double>(Time.tv_sec) + static_cast<double>(Local.tm_gmtoff)) * 1000.0 +
         static_cast<double>(Time.tv_nsec / 1000000);
}

icu::Locale UserIcuLocale() {
  const std::string Name = UserLocaleName(TLocaleCategory::lcTime);
  return Name == "C" ? icu::Locale::getRoot() : icu::Locale(Name.c_str());
}

// The wall-clock time is formatted as if it were GMT, so no time zone rule
// can shift or reject it, on a Gregorian calendar without the Julian past,
// as date-times count.
std::unique_ptr<icu::SimpleDateFormat> LocaleFormat(const char16_t* Skeleton) {
  const icu::Locale Locale = UserIcuLocale();
  UErrorCode Status = U_ZERO_ERROR;
  std::unique_ptr<icu::DateTimePatternGenerator> Generator(
      icu::DateTimePatternGenerator::createInstance(Locale, Status));
  if (U_FAILURE(Status)) return nullptr;
  const icu::UnicodeString Pattern = Generator->getBestPattern(icu::UnicodeString(Skeleton), Status);
  auto Format = std::make_unique<icu::SimpleDateFormat>(Pattern, Locale, Status);
  auto Calendar = std::make_unique<icu::GregorianCalendar>(*icu::TimeZone::getGMT(), Locale, Status);
  Calendar->setGregorianChange(-8.64e15, Status);
  if (U_FAILURE(Status)) return nullptr;
  Format->adoptCalendar(Calendar.release());
  return Format;
}

bool ParseWhole(const char16_t* Skeleton, StringView Text, TDateTime& Value) {
  const std::unique_ptr<icu::SimpleDateFormat> Format = LocaleFormat(Skeleton);
  if (!Format) return false;
  const icu::UnicodeString Source(false, Text.data(), static_cast<int32_t>(Text.size()));
  icu::ParsePosition Position(0);
  const UDate Parsed = Format->parse(Source, Position);
  if (Position.getErrorIndex() >= 0 || Position.getIndex() != Source.length()) return false;
  Value = WallMSecsToDateTime(Parsed);
  return true;
}

}  // namespace

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int MSec) {
  using namespace std::chrono;
  const sys_days Date{year(Year) / month(static_cast<unsigned>(Month)) / day(static_cast<unsigned>(Day))};
  const double DayMSecs = ((Hour * 60.0 + Minute) * 60.0 + Second) * 1000.0 + MSec;
  return WallMSecsToDateTime(static_cast<double>(Date.time_since_epoch().count()) * MSecsPerDay + DayMSecs);
}

TDateTime UnixTimeToDateTime(const timespec& Time) { return WallMSecsToDateTime(WallMSecs(Time)); }

TDateTime Now() {
  timespec Time{};
  clock_gettime(CLOCK_REALTIME, &Time);
  return UnixTimeToDateTime(Time);
}

String DateTimeToStr(TDateTime Value) {
  const std::unique_ptr<icu::SimpleDateFormat> Format = LocaleFormat(u"yMdjms");
  if (!Format) return {};
  icu::UnicodeString Text;
  Format->format(DateTimeToWallMSecs(Value), Text);
  return String(Text.getBuffer(), static_cast<std::size_t>(Text.length()));
}

TDateTime StrToDateTime(StringView Text) {
  const String Trimmed = Trim(Text);
  TDateTime Value = 0;
  if (!Trimmed.empty() && (ParseWhole(u"yMdjms", Trimmed, Value) || ParseWhole(u"yMd", Trimmed, Value)))
    return Value;
  throw EConvertError(&SInvalidDateTime, {String(Text)});
}

}  // namespace cantrel
