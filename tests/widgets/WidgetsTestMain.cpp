#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "widgets/Application.h"

namespace {

// The application object exists while tests run; listing the tests needs
// no display.
class TApplicationEnvironment : public testing::Environment {
public:
  TApplicationEnvironment(int& Argc, char** Argv) : FArgc(Argc), FArgv(Argv) {}

  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    FApplication = std::make_unique<cantrel::TApplication>(FArgc, FArgv);
    FApplication->Initialize();
  }
  void TearDown() override { FApplication.reset(); }

private:
  int& FArgc;
  char** FArgv;
  std::unique_ptr<cantrel::TApplication> FApplication;
};

}  // namespace

int main(int Argc, char** Argv) {
  testing::InitGoogleTest(&Argc, Argv);
  testing::AddGlobalTestEnvironment(new TApplicationEnvironment(Argc, Argv));
  return RUN_ALL_TESTS();
}
