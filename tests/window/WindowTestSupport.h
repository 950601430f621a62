#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "I18nTestSupport.h"
#include "TempDir.h"
#include "app/MainForm.h"

namespace cantrel::test {

// The texts of the three status panels.
std::vector<String> PanelTexts(const TMainForm& Form);
// Each node of the tree as "path: items", children after their parent.
std::vector<String> TreeOf(const TPlayListFile& Node);
// Presses Find and runs the event loop until that search has ended.
bool FindAndWait(TMainForm& Form);
// Runs the event loop until no search task is left, stopped ones included.
bool WaitForTasks(TMainForm& Form);

// A window whose settings file lies in a temporary folder, with message
// boxes recorded; English unless a test asks for German.
class TWindowTest : public testing::Test {
protected:
  ~TWindowTest() override;

  // The window, its settings file holding Settings when given.
  std::unique_ptr<TMainForm> NewForm(const std::string& Settings = {});
  std::string SettingsBytes() const { return ReadFileBytes(SettingsPath()); }
  std::string SettingsPath() const { return Temp.Path() + "cantrel.ini"; }
  // The German test catalog for the window's texts.
  void UseGerman();

  TTempDir Temp;
  TMessageBoxRecorder Boxes;
};

}  // namespace cantrel::test
