// cantrel-screenshot OUTPUT.png
//
// Renders the window as a user sees it after a Find over a small music
// library, in English, at a comfortable size larger than its first, to a
// PNG file: the picture README shows. It runs on Qt's offscreen platform,
// so it needs no display.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/MainForm.h"
#include "core/TextDomains.h"
#include "i18n/Gettext.h"
#include "runtime/Paths.h"
#include "widgets/Application.h"

using namespace cantrel;

namespace {

namespace fs = std::filesystem;

constexpr const char* Library[] = {
    "Ada Lindqvist/Northern Lights/01 - Aurora.flac",
    "Ada Lindqvist/Northern Lights/02 - Polar Night.flac",
    "Ada Lindqvist/Northern Lights/03 - Midnight Sun.flac",
    "Ada Lindqvist/Northern Lights/cover.jpg",
    "Ada Lindqvist/Live in Bergen/01 - Fjord.ogg",
    "Ada Lindqvist/Live in Bergen/02 - Harbour Lights.ogg",
    "The Copper Kettles/Steam/01 - Whistle.mp3",
    "The Copper Kettles/Steam/02 - Boiling Point.mp3",
    "The Copper Kettles/Steam/03 - Tea for Two Hundred.mp3",
    "The Copper Kettles/Steam/notes.txt",
    "Tracker Classics/space_debris.mod",
    "Tracker Classics/unreal_ii.s3m",
};

// The client area at 96 dots per inch: every text of the filter box in
// sight, and room for the lists.
constexpr int ComfortableWidth = 900;
constexpr int ComfortableHeight = 400;

// Runs the event loop until Done holds.
void RunUntil(const std::function<bool()>& Done) {
  QEventLoop Loop;
  QTimer Poll;
  Poll.callOnTimeout([&] {
    if (Done()) Loop.quit();
  });
  Poll.start(10);
  Loop.exec();
}

}  // namespace

int main(int Argc, char** Argv) {
  if (Argc != 2) {
    std::fputs("usage: cantrel-screenshot OUTPUT.png\n", stderr);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The folder list changes the current directory.
  const fs::path Output = fs::absolute(Argv[1]);
  std::setlocale(LC_ALL, "");
  TApplication App(Argc, Argv);
  App.Initialize();
  TGettextLayer Localization;
  StartTextDomains();
  App.SetTitle(gettext(u"Cantrel"));

  char Template[] = "/tmp/cantrel-screenshot-XXXXXX";
  if (!mkdtemp(Template)) return 1;
  const fs::path Root = Template;
  const fs::path Music = Root / "Music";
  for (const char* File : Library) {
    fs::create_directories((Music / File).parent_path());
    std::ofstream(Music / File);
  }
  std::ofstream(Root / "cantrel.ini") << "[Path]\nLastFolder=" << Music.string() << "\n";

  bool Saved = false;
  {
    TMainForm Form(FromSystemFileName((Root / "cantrel.ini").string()));
    Form.show();
    Form.resize(Form.SizeForClient(ComfortableWidth, ComfortableHeight));
    Form.btnFind->click();
    RunUntil([&] { return !Form.Searching(); });
    // The memo takes the last lines in a moment.
    RunUntil([&] { return Form.mmoFiles->blockCount() > 1; });
    Saved = Form.grab().save(QString::fromLocal8Bit(Output.c_str()), "PNG");
  }
  std::error_code Error;
  fs::remove_all(Root, Error);
  if (!Saved) std::fprintf(stderr, "cantrel-screenshot: cannot write %s\n", Argv[1]);
  return Saved ? 0 : 1;
}
