// One run of cantrel-cli: Find, its reports, then Make.
#include "cli/CliRun.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "core/FilterTexts.h"
#include "core/Settings.h"
#include "core/SettingsLocation.h"
#include "cli/CliErrors.h"
#include "cli/CliOutput.h"
#include "cli/ExitStatus.h"
#include "cli/StopSignals.h"
#include "i18n/Gettext.h"
#include "playlist/RelativePath.h"
#include "playlist/TrackOrder.h"
#include "runtime/Paths.h"
#include "runtime/Thread.h"
#include "tags/TagReader.h"
#include "watch/LibraryWatcher.h"

namespace cantrel {

namespace {

[[noreturn]] void CannotSearch(const String& Folder, int ErrorCode) {
  throw EFolderError(Format(gettext(u"cannot search \"%s\": %s"), {Folder, SysErrorMessage(ErrorCode)}));
}

// The folder, opened once and following links: the search walks it and
// Make writes into it by this descriptor, whatever its path leads to
// meanwhile. It must be a folder that can be listed.
TSharedFolder OpenSearchFolder(const String& Folder) {
  TFileHandle Handle = OpenFolder(SystemFileName(Folder));
  if (!Handle.Valid()) {
    const int ErrorCode = errno;
    struct stat Info {};
    if (ErrorCode == ENOTDIR && stat(SystemFileName(Folder).c_str(), &Info) == 0)
      throw EFolderError(Format(gettext(u"\"%s\" is not a folder"), {Folder}));
    CannotSearch(Folder, ErrorCode);
  }
  return std::make_shared<const TFileHandle>(std::move(Handle));
}

// A number of one or two digits that names an item of the window's filter
// box.
std::optional<int> FilterNumber(const String& Filter) {
  if (Filter.empty() || Filter.size() > 2) return std::nullopt;
  int Number = 0;
  for (const char16_t Digit : Filter) {
    if (Digit < u'0' || Digit > u'9') return std::nullopt;
    Number = Number * 10 + (Digit - u'0');
  }
  return Number < FilterCount ? std::optional<int>(Number) : std::nullopt;
}

// A progress line longer than the terminal would wrap, and the next one
// could no longer overwrite it.
String FitTerminal(String Text) {
  struct winsize Size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 1 && Text.size() >= Size.ws_col)
    Text.resize(Size.ws_col - 1u);
  return Text;
}

// Whole minutes as such, others with the places they need.
String MinutesText(int Milliseconds) {
  std::string Text = std::to_string(Milliseconds / 60000);
  if (const int Rest = Milliseconds % 60000) {
    std::string Places = std::to_string(100000 + Rest * 100000LL / 60000).substr(1);
    Places.erase(Places.find_last_not_of('0') + 1);
    Text += "." + Places;
  }
  return AsciiToString(Text);
}

}  // namespace

TCliRun::TCliRun(const TCliOptions& Options)
    : FOptions(Options),
      FOpenedFolder(OpenSearchFolder(Options.Folder)),
      // Every report and every playlist path is absolute.
      FFolder(IncludeTrailingPathDelimiter(AbsolutePath(Options.Folder))),
      FFilterText(FilterText()),
      // A list printed on the terminal shows the progress itself.
      FShowProgress(!Options.Quiet && isatty(STDERR_FILENO) && !(Options.ListOnly && isatty(STDOUT_FILENO))),
      FSession(FPlayListFiles) {
  if (!FilterHasMasks(FFilterText))
    throw EUsageError(Format(gettext(u"the filter \"%s\" holds no mask"), {FOptions.Filter}));
  // Many folders per hand-over, the walk reading ahead meanwhile.
  FFileEnumerator.SetSynchronizationMode(TFileEnumeratorSyncMode::smBatched);
  FFileEnumerator.SetReaders(FOptions.Readers);
  FFileEnumerator.SetReadersOnDemand(FOptions.ReadersOnDemand);
  FFileEnumerator.SetOnEnterDirectoryEx(
      [this](const String& Directory, const TEnteredDirectory& Entered) { EnterDirectory(Directory, Entered); });
  FFileEnumerator.SetOnDirectoryError([this](const String& Directory, const String& Message) {
    // FOLDER itself, gone since it was checked, fails the search instead.
    if (!FSession.DirectoryError(Directory, Message)) return;
    // The report takes the progress line's place; the next progress comes below it.
    if (FShowProgress) WriteErr(u"\r\x1b[K");
    Report(Format(gettext(u"cannot read folder \"%s\": %s"), {Directory, Message}));
  });
  FFileEnumerator.SetOnTerminateTask([this](int, bool Aborted, const std::optional<String>& Failure) {
    FDone = FSession.Terminated(Aborted, Failure);
  });
  FSession.SetOnTagsProgress([this](int Read, int Total) { ShowTagsProgress(Read, Total); });
  FSession.SetOnSearchEnd([this] { FDone = true; });
  FSession.SetOnTagCacheWarning([this](const String& Message) { SayTagCacheWarning(Message); });
}

int TCliRun::Execute() {
  InstallStopHandlers();
  Find();
  // Stopping is how a watch ends.
  if (StopSignal() != 0) return FOptions.Watch ? esDone : esInterruptedBase + StopSignal();
  if (const std::optional<String>& Failure = FSession.Failure()) {
    // What the tree holds is not the folder: nothing is written from it.
    Report(Format(gettext(u"the search failed: %s"), {*Failure}));
    return esFailed;
  }
  const int Status = FSession.UnreadableFolders().empty() ? esDone : esIncomplete;
  // A list that could not be written is reported with the output's close.
  if (FOptions.ListOnly || OutputFailed()) return Status;
  if (FOptions.Watch) return Watch();
  if (FSession.MakeAvailability() == TMakeAvailability::maNothingFound) {
    // A mistyped filter must not empty every playlist of a library.
    Report(gettext(u"no file found, so no playlist was written"));
    return Status;
  }
  return WorseStatus(Make(), Status);
}

// A filter number 0 to 10 is an item of the window's filter box, 9 and 10
// the lines of the settings file; anything else is a filter text of its
// own. A settings file that is missing or cannot be read (a folder, a
// FIFO, a device) leaves the default lines.
String TCliRun::FilterText() const {
  const std::optional<int> Index = FilterNumber(FOptions.Filter);
  if (!Index) return FOptions.Filter;
  TSettings Settings(SettingsFileName());
  if (*Index >= VideoFilterIndex) Settings.Read();
  return cantrel::FilterText(*Index, Settings.VideoFormat(), Settings.AudioFormat());
}

void TCliRun::Find() {
  TFindOptions Options;
  Options.FilterText = FFilterText;
  Options.Folder = FFolder;
  Options.OpenedFolder = FOpenedFolder;
  Options.Recursion = FOptions.Recursion;
  Options.FollowLinks = FOptions.FollowLinks;
  // A list holds names alone, in the order the playlists would.
  Options.Tags = FOptions.Tags && !FOptions.ListOnly;
  Options.OrderByTags = FOptions.OrderByTags;
  Options.TagReaders = std::max(1, FOptions.Readers);
  Options.TagCache = FOptions.TagCache;
  FSession.Find(FFileEnumerator, Options, [this](const String& Directory, const TSearchRec& FileInfo) {
    FileFound(Directory, FileInfo);
  });
  while (!FDone && StopSignal() == 0 && !OutputFailed()) CheckSynchronize(100);
  // A stop ends the search at once: nothing it still hands over is listed.
  FSession.End();
  if (FOptions.ListOnly && FOptions.OrderByTags && FDone && StopSignal() == 0) ListInAlbumOrder(FPlayListFiles);
  FlushOutput();
  ShowSummary();
}

void TCliRun::EnterDirectory(const String& Directory, const TEnteredDirectory& Entered) {
  FSession.EnterDirectory(Directory, Entered);
  if (FShowProgress) ShowProgress(Directory);
}

void TCliRun::FileFound(const String& Directory, const TSearchRec& FileInfo) {
  const String& Line = FSession.FileFound(Directory, FileInfo, FFolder);
  ++FFiles;
  // In album order the list waits for the tags.
  if (FOptions.ListOnly && !FOptions.OrderByTags) WriteListLine(Line);
}

void TCliRun::WriteListLine(const String& Line) {
  FLineBytes.clear();
  AppendStringAsUtf8(FLineBytes, Line);
  FLineBytes += FOptions.NullSeparated ? '\0' : '\n';
  WriteOut(FLineBytes);
}

// The tree in the walk's order, each folder's files as Make lists them.
void TCliRun::ListInAlbumOrder(const TPlayListFile& Node) {
  const String Relative = GetRelativePath(FFolder, Node.Path());
  const String Prefix = Relative == u"." ? String() : IncludeTrailingPathDelimiter(Relative);
  const bool Read = Node.Tags().size() == static_cast<std::size_t>(Node.Items().Count());
  const std::vector<int> Order = TrackOrder(Read ? std::span(Node.Tags()) : std::span<const TMediaTags>());
  for (int I = 0; I < Node.Items().Count() && !OutputFailed(); ++I)
    WriteListLine(Prefix + Node.Items().At(Read ? Order[static_cast<std::size_t>(I)] : I));
  for (int I = 0; I < Node.ChildCount(); ++I) ListInAlbumOrder(*Node.Child(I));
}

// At most ten updates a second, on one line that is rewritten.
void TCliRun::ShowProgress(const String& Directory) {
  const auto Time = std::chrono::steady_clock::now();
  if (Time - FLastProgress < std::chrono::milliseconds(100)) return;
  FLastProgress = Time;
  WriteErr(u"\r\x1b[K" + FitTerminal(TerminalSafe(TSearchSession::FilesText(FFiles) + u", " +
                                                  FSession.DirectoriesText() + u"  " +
                                                  TSearchSession::ProcessingText(Directory))));
}

void TCliRun::ShowTagsProgress(int Read, int Total) {
  if (FShowProgress) WriteErr(u"\r\x1b[K" + FitTerminal(TerminalSafe(TSearchSession::TagsText(Read, Total))));
}

void TCliRun::ShowSummary() {
  if (FShowProgress) WriteErr(u"\r\x1b[K");
  if (FOptions.Quiet) return;
  WriteErr(TSearchSession::FilesText(FFiles) + u"\n" + FSession.DirectoriesText() + u"\n" +
           TerminalSafe(FSession.EndText()) + u"\n");
  if (FOptions.Verbose)
    WriteErr(Format(gettext(u"media files opened for their tags: %d; rows written into the tag cache: %d"),
                    {static_cast<int>(MediaFilesOpened()), static_cast<int>(FSession.TagCacheRowsWritten())}) +
             u"\n");
}

// Every playlist that can be written is; then every name left out and every
// playlist that could not be written is reported, the failures last.
int TCliRun::Make(std::function<void(const TPlayListFile&, const String&, std::uint64_t)> OnWritten) {
  TMakeRequest Request;
  Request.NameTemplate = FOptions.NameTemplate;
  Request.Format = FOptions.Format;
  Request.Recursion = FOptions.Recursion;
  Request.UTF8BOM = FOptions.ByteOrderMark;
  Request.StopRequested = [] { return StopSignal() != 0; };
  Request.OnWritten = std::move(OnWritten);
  const int Status = ReportMade(FSession.Make(Request));
  if (StopSignal() != 0) return esInterruptedBase + StopSignal();
  return Status;
}

int TCliRun::ReportMade(const TMakeReport& Made) {
  for (const TLeftOutName& Name : Made.LeftOut)
    Report(Format(gettext(u"left out of \"%s\": \"%s\" (%s)"), {Name.PlayList, Name.Entry, Name.Reason}));
  for (const TPlayListFailure& Failure : Made.Failures) Report(Failure.Message);
  if (!Made.Failures.empty()) return esFailed;
  return Made.LeftOut.empty() ? esDone : esIncomplete;
}

// The playlists as a run writes them, then kept current until SIGINT or
// SIGTERM ends the watch with status 0; FOLDER gone ends it with 1.
int TCliRun::Watch() {
  TWatchSettings Settings;
  Settings.NameTemplate = FOptions.NameTemplate;
  Settings.Format = FOptions.Format;
  Settings.Recursion = FOptions.Recursion;
  Settings.UTF8BOM = FOptions.ByteOrderMark;
  Settings.Tags = FOptions.Tags;
  Settings.OrderByTags = FOptions.OrderByTags;
  Settings.TagCache = FOptions.TagCache;
  Settings.Settle = std::chrono::milliseconds(FOptions.SettleMilliseconds);
  Settings.Rescan = std::chrono::milliseconds(FOptions.RescanMilliseconds);
  TWatchEvents Events;
  const String RescanMinutes = MinutesText(FOptions.RescanMilliseconds);
  Events.OnSettled = [this](int FoldersRead, int Written) {
    if (FOptions.Verbose)
      WriteErr(Format(gettext(u"up to date: %d folders read, %d playlists written"), {FoldersRead, Written}) + u"\n");
  };
  Events.OnWatchLimit = [RescanMinutes](int Unwatched, long Needed) {
    Report(Format(gettext(u"the limit of inotify watches is reached: %d folders are not watched but read again every "
                          u"%s minutes; to watch them all, raise it with \"sysctl fs.inotify.max_user_watches=%d\""),
                  {Unwatched, RescanMinutes, static_cast<int>(std::min<long>(Needed, INT32_MAX))}));
  };
  Events.OnInstanceLimit = [RescanMinutes](long Needed) {
    Report(Format(gettext(u"the limit of inotify instances is reached: every folder is read again every %s minutes "
                          u"instead; raise it with \"sysctl fs.inotify.max_user_instances=%d\""),
                  {RescanMinutes, static_cast<int>(std::min<long>(Needed, INT32_MAX))}));
  };
  Events.OnRemoteFolder = [RescanMinutes](const String& Folder) {
    Report(Format(gettext(u"\"%s\" lies on a network or FUSE file system, whose changes made elsewhere are not "
                          u"seen: its folders are read again every %s minutes"),
                  {Folder, RescanMinutes}));
  };
  Events.OnUnreadableFolder = [](const String& Folder, const String& Message) {
    Report(Format(gettext(u"cannot read folder \"%s\": %s"), {Folder, Message}));
  };
  Events.OnMade = [this](const TMakeReport& Made) { ReportMade(Made); };
  Events.OnTagCacheWarning = [this](const String& Message) { SayTagCacheWarning(Message); };
  TLibraryWatcher Watcher(FPlayListFiles, FOpenedFolder, FFileEnumerator, Settings, Events);
  if (!Watcher.Attach()) return FolderGone();
  if (FPlayListFiles.Count() == 0)
    Report(gettext(u"no file found, so no playlist was written"));
  else
    Make([&Watcher](const TPlayListFile& Node, const String& Name, std::uint64_t Digest) {
      Watcher.Written(Node, Name, Digest);
    });
  if (StopSignal() != 0) return esDone;
  if (!Watcher.Run([] { return StopSignal() != 0; })) return FolderGone();
  return esDone;
}

// Once a run: a watch's own use of the cache mostly meets what the search's
// met.
void TCliRun::SayTagCacheWarning(const String& Message) {
  if (FTagCacheWarned) return;
  FTagCacheWarned = true;
  if (FShowProgress) WriteErr(u"\r\x1b[K");
  Report(Message);
}

int TCliRun::FolderGone() const {
  Report(Format(gettext(u"the folder \"%s\" was removed or unmounted; the watch ends"), {FFolder}));
  return esFailed;
}

}  // namespace cantrel
