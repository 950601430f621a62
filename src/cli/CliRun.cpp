#include "cli/CliRun.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "app/FilterTexts.h"
#include "cli/CliErrors.h"
#include "i18n/Gettext.h"
#include "runtime/IniFile.h"
#include "runtime/Paths.h"
#include "runtime/Thread.h"

namespace cantrel {

namespace {

std::atomic<bool> Interrupted{false};

void OnInterrupt(int) { Interrupted = true; }

// The folder as an absolute path ending in "/", so that every report and
// every playlist path is absolute too.
String SearchFolder(const String& Folder) {
  const std::string Path = SystemFileName(Folder);
  struct stat Info {};
  if (stat(Path.c_str(), &Info) != 0)
    throw EUsageError(Format(gettext(u"cannot search \"%s\": %s"), {Folder, SysErrorMessage(errno)}));
  if (!S_ISDIR(Info.st_mode)) throw EUsageError(Format(gettext(u"\"%s\" is not a folder"), {Folder}));
  const std::filesystem::path Absolute = std::filesystem::absolute(Path).lexically_normal();
  return IncludeTrailingPathDelimiter(FromSystemFileName(Absolute.string()));
}

// A progress line longer than the terminal would wrap, and the next one
// could no longer overwrite it.
String FitTerminal(String Text) {
  struct winsize Size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 1 && Text.size() >= Size.ws_col)
    Text.resize(Size.ws_col - 1u);
  return Text;
}

void WriteErr(const String& Text) {
  const std::string Bytes = StringToUtf8(Text);
  std::fwrite(Bytes.data(), 1, Bytes.size(), stderr);
}

}  // namespace

TCliRun::TCliRun(const TCliOptions& Options)
    : FOptions(Options),
      FFolder(SearchFolder(Options.Folder)),
      // A list printed on the terminal shows the progress itself.
      FShowProgress(!Options.Quiet && isatty(STDERR_FILENO) && !(Options.ListOnly && isatty(STDOUT_FILENO))),
      FSession(FPlayListFiles) {
  // One hand-over per folder: the command line has no window to keep alive.
  FFileEnumerator.SetSynchronizationMode(TFileEnumeratorSyncMode::smPerDirectory);
  FFileEnumerator.SetOnEnterDirectory([this](const String& Directory) { EnterDirectory(Directory); });
  FFileEnumerator.SetOnDirectoryError([](const String& Directory, const String& Message) {
    WriteErr(u"cantrel-cli: cannot read folder \"" + Directory + u"\": " + Message + u"\n");
  });
  FFileEnumerator.SetOnTerminateTask([this](int, bool Aborted, const std::optional<String>&) {
    FDone = true;
    FAborted = Aborted;
  });
}

int TCliRun::Execute() {
  if (!Find()) return 130;
  // A folder that could not be read has no node to write a playlist for.
  if (FSession.DirCount() == 0) return 1;
  return FOptions.ListOnly ? 0 : Make();
}

String TCliRun::FilterText() const {
  const String& Filter = FOptions.Filter;
  if (Filter.size() != 1 || Filter[0] < u'0' || Filter[0] > u'9') return Filter;
  const int Index = Filter[0] - u'0';
  if (Index < static_cast<int>(AudioFilterTexts.size())) return gettext(String(AudioFilterTexts[Index]));
  const TIniFile Settings(ExtractFilePath(ModuleFileName()) + u"cantrel.ini");
  return Settings.ReadString(u"Filter", u"VideoFormat", gettext(String(DefaultVideoFilterText)));
}

bool TCliRun::Find() {
  const auto PreviousHandler = std::signal(SIGINT, OnInterrupt);
  TFindOptions Options;
  Options.FilterText = FilterText();
  Options.Folder = FFolder;
  Options.Recursion = FOptions.Recursion;
  const int TaskID = FSession.Find(FFileEnumerator, Options, [this](const String& Directory, const TSearchRec& FileInfo) {
    FileFound(Directory, FileInfo);
  });
  bool StopAsked = false;
  while (!FDone) {
    CheckSynchronize(100);
    if (Interrupted && !StopAsked) {
      FFileEnumerator.StopTask(TaskID);
      StopAsked = true;
    }
  }
  std::signal(SIGINT, PreviousHandler);
  std::fflush(stdout);
  ShowSummary(FAborted);
  return !FAborted;
}

void TCliRun::EnterDirectory(const String& Directory) {
  FSession.EnterDirectory(Directory);
  if (FShowProgress) ShowProgress(Directory);
}

void TCliRun::FileFound(const String& Directory, const TSearchRec& FileInfo) {
  const String Line = FSession.FileFound(Directory, FileInfo, FFolder);
  ++FFiles;
  if (!FOptions.ListOnly) return;
  std::string Bytes = StringToUtf8(Line);
  Bytes += '\n';
  std::fwrite(Bytes.data(), 1, Bytes.size(), stdout);
}

// At most ten updates a second, on one line that is rewritten.
void TCliRun::ShowProgress(const String& Directory) {
  const auto Time = std::chrono::steady_clock::now();
  if (Time - FLastProgress < std::chrono::milliseconds(100)) return;
  FLastProgress = Time;
  WriteErr(u"\r\x1b[K" + FitTerminal(TSearchSession::FilesText(FFiles) + u", " + FSession.DirectoriesText() +
                                      u"  " + TSearchSession::ProcessingText(Directory)));
}

void TCliRun::ShowSummary(bool Aborted) {
  if (FShowProgress) WriteErr(u"\r\x1b[K");
  if (FOptions.Quiet) return;
  WriteErr(TSearchSession::FilesText(FFiles) + u"\n" + FSession.DirectoriesText() + u"\n" + FSession.EndText(Aborted) +
           u"\n");
}

int TCliRun::Make() {
  FPlayListFiles.SetFormat(FOptions.Format);
  FPlayListFiles.SetUTF8BOM(FOptions.ByteOrderMark);
  try {
    FPlayListFiles.makePlayList(FOptions.NameTemplate, FOptions.Recursion, FOptions.ByteOrderMark);
  } catch (const Exception& Error) {
    WriteErr(u"cantrel-cli: " + Error.Message() + u"\n");
    return 1;
  }
  return 0;
}

}  // namespace cantrel
