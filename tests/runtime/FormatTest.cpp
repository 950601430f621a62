#include <gtest/gtest.h>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Locale.h"

using namespace cantrel;

class FormatTest : public ::testing::Test {
protected:
  void TearDown() override { SetUserLocaleName(""); }
};

TEST_F(FormatTest, FillsPlaceholdersInOrder) {
  SetUserLocaleName("en_US");
  EXPECT_EQ(Format(u"%d files", {12}), u"12 files");
  EXPECT_EQ(Format(u"Processing %s...", {String(u"/music/")}), u"Processing /music/...");
  EXPECT_EQ(Format(u"...finished (%f seconds).", {1.005 + 2}), u"...finished (3.00 seconds).");
  EXPECT_EQ(Format(u"100%% of %d", {std::int64_t{-3}}), u"100% of -3");
}

TEST_F(FormatTest, FloatUsesTheLocaleDecimalSeparator) {
  SetUserLocaleName("de_DE");
  EXPECT_EQ(Format(u"%f", {2.5}), u"2,50");
}

TEST_F(FormatTest, MismatchRaisesConvertError) {
  EXPECT_THROW(Format(u"%d", {String(u"x")}), EConvertError);
  EXPECT_THROW(Format(u"%s %s", {String(u"x")}), EConvertError);
  EXPECT_THROW(Format(u"50%", {}), EConvertError);
  try {
    Format(u"%x", {1});
  } catch (const EConvertError& Error) {
    EXPECT_EQ(Error.Message(), u"Format '%x' invalid or incompatible with argument");
  }
}
