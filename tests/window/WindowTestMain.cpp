#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "i18n/Gettext.h"
#include "widgets/Application.h"

namespace {

// The localization layer and the application object exist while tests run,
// in English unless a test asks otherwise; listing the tests needs neither.
class TWindowEnvironment : public testing::Environment {
public:
  TWindowEnvironment(int& Argc, char** Argv) : FArgc(Argc), FArgv(Argv) {}

  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    FLocalization = std::make_unique<cantrel::TGettextLayer>();
    cantrel::DefaultGettextInstance()->UseLanguage(u"en");
    FApplication = std::make_unique<cantrel::TApplication>(FArgc, FArgv);
    FApplication->Initialize();
    FApplication->SetTitle(u"Cantrel");
  }
  void TearDown() override {
    FApplication.reset();
    FLocalization.reset();
  }

private:
  int& FArgc;
  char** FArgv;
  std::unique_ptr<cantrel::TGettextLayer> FLocalization;
  std::unique_ptr<cantrel::TApplication> FApplication;
};

}  // namespace

int main(int Argc, char** Argv) {
  testing::InitGoogleTest(&Argc, Argv);
  testing::AddGlobalTestEnvironment(new TWindowEnvironment(Argc, Argv));
  return RUN_ALL_TESTS();
}
