#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "runtime/DateTime.h"
#include "runtime/Exceptions.h"
#include "runtime/Locale.h"

using namespace cantrel;

namespace {

// Pins the process's time zone for one test.
class TZoneGuard {
public:
  explicit TZoneGuard(const char* Zone) {
    const char* Old = std::getenv("TZ");
    FHadOld = Old != nullptr;
    if (Old) FOld = Old;
    setenv("TZ", Zone, 1);
    tzset();
  }
  ~TZoneGuard() {
    if (FHadOld)
      setenv("TZ", FOld.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

private:
  bool FHadOld;
  std::string FOld;
};

class DateTimeTest : public ::testing::Test {
protected:
  void TearDown() override { SetUserLocaleName(""); }
};

}  // namespace

TEST_F(DateTimeTest, CountsDaysFromTheEndOf1899WithForwardFractions) {
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1), 25569.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 18), 36526.75);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6), -1.25);
  EXPECT_DOUBLE_EQ(EncodeDateTime(100, 1, 1), -657434.0);
  EXPECT_NEAR(EncodeDateTime(9999, 12, 31, 23, 59, 59, 136), 2958465.99999, 1e-8);
}

TEST_F(DateTimeTest, SystemTimesBecomeLocalTimes) {
  const timespec Moment{1577934245, 500000000};  // 2020-01-02 03:04:05.5 UTC
  {
    TZoneGuard Zone("UTC0");
    EXPECT_NEAR(UnixTimeToDateTime(Moment), EncodeDateTime(2020, 1, 2, 3, 4, 5, 500), 1e-9);
  }
  {
    TZoneGuard Zone("XYZ-2");  // two hours east of UTC
    EXPECT_NEAR(UnixTimeToDateTime(Moment), EncodeDateTime(2020, 1, 2, 5, 4, 5, 500), 1e-9);
  }
  const TDateTime Before = UnixTimeToDateTime(timespec{time(nullptr), 0});
  const TDateTime Current = Now();
  EXPECT_GE(Current, Before);
  EXPECT_LT(Current - Before, 5.0 / 86400);
}

TEST_F(DateTimeTest, LocaleTextRoundTripsAndRejectsGarbage) {
  SetUserLocaleName("de_DE");
  const TDateTime Christmas = EncodeDateTime(2020, 12, 24, 18, 30, 5);
  EXPECT_EQ(DateTimeToStr(Christmas), u"24.12.2020, 18:30:05");
  EXPECT_DOUBLE_EQ(StrToDateTime(u"24.12.2020, 18:30:05"), Christmas);
  EXPECT_DOUBLE_EQ(StrToDateTime(u" 24.12.2020 "), EncodeDateTime(2020, 12, 24));

  SetUserLocaleName("en_US");
  for (const TDateTime Value : {Christmas, EncodeDateTime(100, 1, 1), EncodeDateTime(9999, 12, 31, 23, 59, 59),
                                EncodeDateTime(1899, 12, 29, 6)})
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(Value)), Value) << StringToUtf8(DateTimeToStr(Value));
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(100, 1, 1)).substr(0, 8), u"1/1/100,");

  try {
    StrToDateTime(u"tomorrow-ish");
    FAIL() << "no error";
  } catch (const EConvertError& Error) {
    EXPECT_EQ(Error.Message(), u"'tomorrow-ish' is not a valid date and time");
  }
  EXPECT_THROW(StrToDateTime(u""), EConvertError);
  EXPECT_THROW(StrToDateTime(u"12/24/2020, 6:30:05 PM and more"), EConvertError);
}
