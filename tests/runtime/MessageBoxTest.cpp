#include <gtest/gtest.h>

#include "runtime/MessageBox.h"

using namespace cantrel;

TEST(MessageBoxTest, HookReplacesTheStandardErrorOutput) {
  testing::internal::CaptureStderr();
  ShowMessageBox(u"Nothing to do.", u"Cantrel");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Cantrel: Nothing to do.\n");

  std::vector<String> Shown;
  const TMessageBoxHook Previous = SetMessageBoxHook([&](const String& Text, const String& Caption, TMessageBoxIcon Icon) {
    Shown.push_back(Caption + u"|" + Text + (Icon == TMessageBoxIcon::miError ? u"|error" : u""));
  });
  EXPECT_FALSE(Previous);
  testing::internal::CaptureStderr();
  ShowMessageBox(u"Disk full", u"Error", TMessageBoxIcon::miError);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(Shown, std::vector<String>({u"Error|Disk full|error"}));

  EXPECT_TRUE(SetMessageBoxHook(nullptr));
  testing::internal::CaptureStderr();
  ShowMessageBox(u"x", u"y");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "y: x\n");
  EXPECT_EQ(Shown.size(), 1u);
}
