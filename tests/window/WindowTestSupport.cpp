#include "WindowTestSupport.h"

#include <QTest>

#include "core/TextDomains.h"
#include "i18n/Gettext.h"

namespace cantrel::test {

std::vector<String> PanelTexts(const TMainForm& Form) {
  std::vector<String> Texts;
  for (int I = 0; I < Form.StatusBar->Panels()->Count(); ++I)
    Texts.push_back(Form.StatusBar->Panels()->Items(I)->Text());
  return Texts;
}

std::vector<String> TreeOf(const TPlayListFile& Node) {
  String Line = Node.Path() + u":";
  for (int I = 0; I < Node.Items().Count(); ++I) Line += u" " + Node.Items()[I];
  std::vector<String> Lines{Line};
  for (int I = 0; I < Node.ChildCount(); ++I)
    for (String& Below : TreeOf(*Node.Child(I))) Lines.push_back(std::move(Below));
  return Lines;
}

bool FindAndWait(TMainForm& Form) {
  Form.btnFind->click();
  return QTest::qWaitFor([&] { return !Form.Searching(); }, 60000);
}

bool WaitForTasks(TMainForm& Form) {
  return QTest::qWaitFor([&] { return Form.FileEnumerator().GetRunningTasks() == 0; }, 60000);
}

TWindowTest::~TWindowTest() { DefaultGettextInstance()->UseLanguage(u"en"); }

std::unique_ptr<TMainForm> TWindowTest::NewForm(const std::string& Settings) {
  if (!Settings.empty()) Temp.MakeFile("cantrel.ini", Settings);
  return std::make_unique<TMainForm>(Utf8ToString(SettingsPath()));
}

void TWindowTest::UseGerman() {
  TGettextInstance& Engine = *DefaultGettextInstance();
  Engine.bindtextdomain(ProgramBaseName(), Utf8ToString(CANTREL_WINDOW_CATALOGS "/"));
  Engine.UseLanguage(u"de");
}

}  // namespace cantrel::test
