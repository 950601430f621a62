#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/fanotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "CliRunner.h"
#include "FuseMirror.h"

using namespace cantrel::test;

namespace {

// For its lifetime, opens of Folder by worker threads fail (EPERM) while
// main threads may open it: what cantrel-cli checks on its main thread the
// walk then cannot list, as if it had gone in between. Needs fanotify's
// permission events (root).
class TWorkerOpenRefusal {
public:
  explicit TWorkerOpenRefusal(const std::string& Folder)
      : FNotify(fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_REPORT_TID, O_RDONLY)) {
    if (FNotify >= 0 && fanotify_mark(FNotify, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_ONDIR, AT_FDCWD, Folder.c_str()) == 0)
      FAnswering = std::jthread([this](std::stop_token Stop) { Answer(Stop); });
  }
  ~TWorkerOpenRefusal() {
    FAnswering = {};
    if (FNotify >= 0) close(FNotify);
  }
  bool Works() const { return FAnswering.joinable(); }

private:
  // A process's main thread carries the process's id.
  static bool IsMainThread(pid_t Thread) {
    std::ifstream Status("/proc/" + std::to_string(Thread) + "/status");
    for (std::string Line; std::getline(Status, Line);)
      if (Line.starts_with("Tgid:")) return std::stoi(Line.substr(5)) == Thread;
    return true;
  }

  void Answer(std::stop_token Stop) {
    for (pollfd Wait{FNotify, POLLIN, 0}; !Stop.stop_requested();) {
      if (poll(&Wait, 1, 20) <= 0) continue;
      alignas(fanotify_event_metadata) char Buffer[4096];
      ssize_t Left = read(FNotify, Buffer, sizeof Buffer);
      for (auto* Event = reinterpret_cast<fanotify_event_metadata*>(Buffer); FAN_EVENT_OK(Event, Left);
           Event = FAN_EVENT_NEXT(Event, Left)) {
        const std::uint32_t Verdict = IsMainThread(Event->pid) ? FAN_ALLOW : FAN_DENY;
        const fanotify_response Answer{Event->fd, Verdict};
        [[maybe_unused]] const ssize_t Written = write(FNotify, &Answer, sizeof Answer);
        close(Event->fd);
      }
    }
  }

  const int FNotify;
  std::jthread FAnswering;
};

class CliTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* File : {"a.mp3", "b.OGG", "cover.jpg", "Rock/c.flac", "Rock/Live/d.wav", "Jazz & Blues/e.mp3",
                             "Empty/readme.txt", "Videos/f.mkv"})
      Music.MakeFile(File);
  }

  std::string Read(const std::string& Relative) const { return ReadFileBytes(Music.Path() + Relative); }
  bool Exists(const std::string& Relative) const { return FileExistsAt(Music.Path() + Relative); }

  TTempDir Music;
  TTempDir Scratch;
};

}  // namespace

TEST_F(CliTest, ListPrintsWhatTheWindowListsAndWritesNothing) {
  const TCliResult Result = RunCli(Scratch, {"--list", Music.Path()});
  EXPECT_EQ(Result.Status, 0) << Result.Err;
  EXPECT_EQ(Result.Out, "a.mp3\nb.OGG\nJazz & Blues/e.mp3\nRock/c.flac\nRock/Live/d.wav\n");
  EXPECT_EQ(Result.Err, "5 files\n6 directories\n" + Result.Err.substr(Result.Err.find("...finished")));
  EXPECT_FALSE(Exists("Music.m3u"));

  const TCliResult Flat = RunCli(Scratch, {"-l", "-q", "--no-recursion", "-f", "2", Music.Path()});
  EXPECT_EQ(Flat.Out, "a.mp3\n");
  EXPECT_EQ(Flat.Err, "");

  const TCliResult Masks = RunCli(Scratch, {"-lq", "--filter", "*.jpg;*.MKV", Music.Path() + "."});
  EXPECT_EQ(Masks.Out, "cover.jpg\nVideos/f.mkv\n");
  const TCliResult Video = RunCli(Scratch, {"-lq", "-f", "9", Music.Path()});
  EXPECT_EQ(Video.Out, "b.OGG\nVideos/f.mkv\n");
  const TCliResult Null = RunCli(Scratch, {"-lq0", "--no-recursion", Music.Path()});
  EXPECT_EQ(Null.Out, std::string("a.mp3\0b.OGG\0", 12));
  EXPECT_EQ(RunCli(Scratch, {"-q", "--list", "--null", "-f", "4", Music.Path()}).Out, std::string("Rock/c.flac\0", 12));

  // A link to a folder elsewhere is walked into only when asked.
  TTempDir Elsewhere;
  Elsewhere.MakeFile("x.mp3");
  std::filesystem::create_directory_symlink(Elsewhere.Path(), Music.Path() + "Link");
  EXPECT_EQ(RunCli(Scratch, {"-lq", "-f", "2", Music.Path()}).Out, "a.mp3\nJazz & Blues/e.mp3\n");
  EXPECT_EQ(RunCli(Scratch, {"-lqL", "-f", "2", Music.Path()}).Out, "a.mp3\nJazz & Blues/e.mp3\nLink/x.mp3\n");
  EXPECT_EQ(RunCli(Scratch, {"-lq", "--follow", "-f", "2", Music.Path()}).Out,
            "a.mp3\nJazz & Blues/e.mp3\nLink/x.mp3\n");
}

TEST_F(CliTest, EveryFormatIntoEveryFolder) {
  const struct {
    const char* Format;
    const char* Extension;
  } Formats[] = {{"m3u", ".m3u"}, {"m3u8", ".m3u8"}, {"xspf", ".xspf"}, {"wpl", ".wpl"}, {"pls", ".pls"}, {"asx", ".asx"}};
  for (const auto& Format : Formats) {
    const TCliResult Result = RunCli(Scratch, {"-q", "-t", Format.Format, "-n", "%album%.m3u", Music.Path()});
    ASSERT_EQ(Result.Status, 0) << Result.Err;
    for (const char* Folder : {"Rock/Rock", "Rock/Live/Live", "Jazz & Blues/Jazz & Blues", "Empty/Empty"})
      EXPECT_TRUE(Exists(std::string(Folder) + Format.Extension)) << Folder << Format.Extension;
  }
  EXPECT_EQ(Read("Rock/Rock.m3u"), "#EXTM3U\r\n\r\nc.flac\r\n\r\nLive/d.wav\r\n");
  EXPECT_EQ(Read("Rock/Rock.pls"),
            "[playlist]\r\nFile1=c.flac\r\nTitle1=c\r\n\r\nFile2=Live/d.wav\r\nTitle2=d\r\n\r\nNumberOfEntries=2\r\n"
            "Version=2\r\n");

  const TCliResult Bom = RunCli(Scratch, {"-q", "-t", "m3u8", "--bom", "-n", "list", Music.Path()});
  EXPECT_EQ(Bom.Status, 0);
  EXPECT_EQ(Read("Rock/Live/list.m3u8"), "\xEF\xBB\xBF#EXTM3U\r\n\r\nd.wav\r\n");

  const TCliResult Top = RunCli(Scratch, {"-q", "--no-recursion", "-n", "top.m3u", Music.Path()});
  EXPECT_EQ(Read("top.m3u"), "#EXTM3U\r\n\r\na.mp3\r\nb.OGG\r\n");
  EXPECT_FALSE(Exists("Rock/top.m3u"));
}

TEST_F(CliTest, UsageErrorsAreOneLineWithAHint) {
  const TCliResult Help = RunCli(Scratch, {"--help"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_NE(Help.Out.find("Usage: cantrel-cli [options] FOLDER\n"), std::string::npos);
  EXPECT_NE(Help.Out.find("  2  MP3 Files (*.mp3;*.mp2)\n"), std::string::npos);
  EXPECT_NE(Help.Out.find("  130  interrupted (143 when terminated)\n"), std::string::npos);
  EXPECT_EQ(Help.Out.find('\r'), std::string::npos);
  EXPECT_EQ(RunCli(Scratch, {"--version"}).Out, "cantrel-cli 0.1.0\n");
  EXPECT_EQ(RunCli(Scratch, {"-V"}).Out, "cantrel-cli 0.1.0\n");

  const std::string Hint = "\nTry 'cantrel-cli --help' for more information.\n";
  const struct {
    std::vector<std::string> Arguments;
    std::string Message;
  } Bad[] = {
      {{}, "no folder given"},
      {{"--frobnicate", Music.Path()}, "unknown option \"--frobnicate\""},
      {{"-t", "mp4", Music.Path()}, "unknown format \"mp4\" (choose m3u, m3u8, xspf, wpl, pls or asx)"},
      {{Music.Path(), Music.Path()}, "one folder only, not also \"" + Music.Path() + "\""},
      {{"-n"}, "option \"-n\" needs a value"},
      {{"-n", "", Music.Path()}, "the playlist name \"\" is not a file name"},
      {{"-n", "../up.m3u", Music.Path()}, "the playlist name \"../up.m3u\" is not a file name"},
      {{"--name=.", Music.Path()}, "the playlist name \".\" is not a file name"},
      {{"-n", "..", Music.Path()}, "the playlist name \"..\" is not a file name"},
      {{"-f", " ; ;", Music.Path()}, "the filter \" ; ;\" holds no mask"},
      {{"-f", "Nothing ()", Music.Path()}, "the filter \"Nothing ()\" holds no mask"},
  };
  for (const auto& Case : Bad) {
    const TCliResult Result = RunCli(Scratch, Case.Arguments);
    EXPECT_EQ(Result.Status, 2);
    EXPECT_EQ(Result.Err, "cantrel-cli: " + Case.Message + Hint);
    EXPECT_EQ(Result.Out, "");
  }
  EXPECT_FALSE(Exists("Music.m3u"));
}

TEST_F(CliTest, AFolderThatCannotBeSearchedIsRefusedBeforeTheSearch) {
  const TCliResult Missing = RunCli(Scratch, {Music.Path() + "missing"});
  EXPECT_EQ(Missing.Status, 2);
  EXPECT_EQ(Missing.Err, "cantrel-cli: cannot search \"" + Music.Path() + "missing\": No such file or directory\n");
  const TCliResult File = RunCli(Scratch, {Music.Path() + "a.mp3"});
  EXPECT_EQ(File.Status, 2);
  EXPECT_EQ(File.Err, "cantrel-cli: \"" + Music.Path() + "a.mp3\" is not a folder\n");

  // Permission bits bind only an unprivileged user.
  OpenToEveryone(Music);
  OpenToEveryone(Scratch);
  chmod((Music.Path() + "Rock").c_str(), 0311);
  const TCliResult Locked = RunCli(Scratch, {.Arguments = {"-l", Music.Path() + "Rock"}, .Unprivileged = true});
  EXPECT_EQ(Locked.Status, 2);
  EXPECT_EQ(Locked.Err, "cantrel-cli: cannot search \"" + Music.Path() + "Rock\": Permission denied\n");
  EXPECT_EQ(Locked.Out, "");
}

TEST_F(CliTest, AFolderGoneBetweenItsCheckAndTheWalkFailsTheSearch) {
  Music.MakeFile("Rock/Rock.m3u", "kept");
  const TWorkerOpenRefusal Refusal(Music.Path() + "Rock");
  if (!Refusal.Works()) GTEST_SKIP() << "no fanotify permission events here";
  const TCliResult Result = RunCli(Scratch, {"-q", Music.Path() + "Rock"});
  EXPECT_EQ(Result.Status, 1);
  EXPECT_EQ(Result.Err, "cantrel-cli: the search failed: " + std::string(strerror(EPERM)) + "\n");
  EXPECT_EQ(Read("Rock/Rock.m3u"), "kept");
}

TEST_F(CliTest, OutputThatCannotBeWrittenIsAFailure) {
  for (const std::vector<std::string>& Arguments :
       {std::vector<std::string>{"-lq", Music.Path()}, {"--help"}, {"-l", "-f", "*.jpg", Music.Path()}}) {
    const TCliResult Full = RunCli(Scratch, {.Arguments = Arguments, .Output = "/dev/full"});
    EXPECT_EQ(Full.Status, 1);
    EXPECT_TRUE(Full.Err.ends_with("cantrel-cli: write error: No space left on device\n")) << Full.Err;
  }

  // A folder where Rock's playlist should go: Rock fails, every other playlist is written.
  Music.MakeDir("Rock/all.m3u");
  const TCliResult Unwritable = RunCli(Scratch, {"-q", "-n", "all.m3u", Music.Path()});
  EXPECT_EQ(Unwritable.Status, 1);
  EXPECT_EQ(Unwritable.Err,
            "cantrel-cli: Cannot create file \"" + Music.Path() + "Rock/all.m3u\". Is a directory\n");
  EXPECT_TRUE(Exists("Empty/all.m3u"));
  EXPECT_TRUE(Exists("Rock/Live/all.m3u"));
  EXPECT_TRUE(Exists("Videos/all.m3u"));
  EXPECT_TRUE(Exists("all.m3u"));
}

TEST_F(CliTest, ASearchThatFindsNothingKeepsThePlaylists) {
  Music.MakeFile("Rock/Rock.m3u", "kept");
  const TCliResult Result = RunCli(Scratch, {"-q", "-f", "*.typo", Music.Path()});
  EXPECT_EQ(Result.Status, 0);
  EXPECT_EQ(Result.Err, "cantrel-cli: no file found, so no playlist was written\n");
  EXPECT_EQ(Read("Rock/Rock.m3u"), "kept");
  EXPECT_FALSE(Exists("Empty/Empty.m3u"));
}

TEST_F(CliTest, SpeaksTheUsersLanguage) {
  Music.MakeDir("y.m3u");
  Music.MakeDir("Rock/Live/y.m3u");
  Music.MakeFile("Jazz & Blues/new\nline.mp3");
  // The system's own text follows the C library's German, where it has it.
  for (const TCLibrary& Library : CLibraries(Scratch)) {
    SCOPED_TRACE(Library.Name);
    const auto Run = [&](std::vector<std::string> Arguments) {
      return RunCli(Scratch,
                    {.Arguments = std::move(Arguments), .Language = "de_DE.UTF-8", .Environment = Library.Environment});
    };
    const TCliResult Result = Run({"-l", "--no-recursion", Music.Path()});
    EXPECT_EQ(Result.Out, "a.mp3\nb.OGG\n");
    EXPECT_TRUE(Result.Err.starts_with("2 Dateien\n1 Verzeichnisse\n...fertig (0,")) << Result.Err;

    const TCliResult Bad = Run({"--frobnicate", Music.Path()});
    EXPECT_EQ(Bad.Err, "cantrel-cli: unbekannte Option \u201E--frobnicate\u201C\n"
                       "\u201Ecantrel-cli --help\u201C gibt weitere Informationen.\n");
    const TCliResult Unwritable = Run({"-q", "--no-recursion", "-n", "y.m3u", Music.Path()});
    EXPECT_EQ(Unwritable.Err, "cantrel-cli: Datei \u201E" + Music.Path() + "y.m3u\u201C kann nicht erstellt werden. " +
                                  SystemText(EISDIR, "de_DE.UTF-8", Library) + "\n");

    // Playlists are written on threads of their own; what Make reports is
    // translated all the same, in the order of today's serial Make.
    const TCliResult Recursive = Run({"-q", "-n", "y.m3u", Music.Path()});
    const auto LeftOut = [&](const std::string& PlayList, const std::string& Entry) {
      return "cantrel-cli: ausgelassen in \u201E" + Music.Path() + PlayList + "\u201C: \u201E" + Entry +
             "\u201C (Zeilenumbruch im Namen)\n";
    };
    const auto Failed = [&](const std::string& PlayList) {
      return "cantrel-cli: Datei \u201E" + Music.Path() + PlayList + "\u201C kann nicht erstellt werden. " +
             SystemText(EISDIR, "de_DE.UTF-8", Library) + "\n";
    };
    EXPECT_EQ(Recursive.Err,
              LeftOut("Jazz & Blues/y.m3u", "new?line.mp3") + Failed("Rock/Live/y.m3u") + Failed("y.m3u"));
    EXPECT_TRUE(Exists("Rock/y.m3u"));
  }
}

TEST_F(CliTest, StopSignalsEndAListWhoseReaderStoppedReading) {
  // More than the program buffers and the pipe holds.
  for (int I = 0; I < 600; ++I) Music.MakeFile("Many/" + std::string(200, 'x') + std::to_string(I) + ".mp3");
  for (const int Signal : {SIGINT, SIGTERM}) {
    int Pipe[2];
    ASSERT_EQ(pipe2(Pipe, O_CLOEXEC), 0);
    const int Capacity = fcntl(Pipe[1], F_SETPIPE_SZ, 4096);
    TCliProcess Run(Scratch, {.Arguments = {"--list", Music.Path()}, .Output = "/proc/self/fd/" + std::to_string(Pipe[1])});
    close(Pipe[1]);
    // Nobody reads: once the pipe is full, the program waits for a reader.
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (int Waiting = 0; ioctl(Pipe[0], FIONREAD, &Waiting) == 0 && Waiting < Capacity;) {
      ASSERT_TRUE(std::chrono::steady_clock::now() < Deadline);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(Run.Pid(), Signal);
    const TCliResult Result = Run.Wait();
    close(Pipe[0]);
    EXPECT_EQ(Result.Status, 128 + Signal) << Result.Err;
    EXPECT_EQ(Result.Err.find("write error"), std::string::npos) << Result.Err;
  }
}

// Readers take only descriptors the walk can spare: under any limit that
// lets the walk run at all, it lists exactly what it lists without them,
// also where a deep folder comes first and the folders after it are read
// ahead while the walk goes down.
TEST_F(CliTest, ReadersFitTheLimitOnOpenFiles) {
  Music.MakeFile("Albums/One/x.mp3");
  std::string Deep = "Library/Deep";
  for (int Level = 0; Level < 24; ++Level) Deep += "/" + std::to_string(Level);
  Music.MakeFile(Deep + "/x.mp3");
  for (int Artist = 0; Artist < 12; ++Artist)
    for (int Album = 0; Album < 6; ++Album)
      Music.MakeFile("Library/W" + std::to_string(Artist) + "/B" + std::to_string(Album) + "/CD/x.mp3");
  const TCliResult Unlimited = RunCli(Scratch, {"-q", "--list", Music.Path()});
  ASSERT_EQ(Unlimited.Status, 0);
  const auto Limited = [&](int OpenFiles, const std::string& Readers) {
    return RunCli(Scratch, {.Arguments = {"-q", "--list", "--readers", Readers, Music.Path()}, .OpenFiles = OpenFiles});
  };
  // The lowest limit under which the walk on its own still lists everything.
  int Lowest = 4;
  while (Lowest < 64 && Limited(Lowest, "0").Out != Unlimited.Out) ++Lowest;
  ASSERT_LT(Lowest, 64);
  for (const int OpenFiles : {Lowest, Lowest + 1, Lowest + 3, Lowest + 8, Lowest + 20, Lowest + 60}) {
    const TCliResult Result = Limited(OpenFiles, "16");
    EXPECT_EQ(Result.Status, 0) << OpenFiles;
    EXPECT_EQ(Result.Err, "") << OpenFiles;
    EXPECT_EQ(Result.Out, Unlimited.Out) << OpenFiles;
  }

  const std::string Hint = "\nTry 'cantrel-cli --help' for more information.\n";
  for (const std::string Bad : {"", "-1", "257", "1000", "x", "4x"})
    EXPECT_EQ(RunCli(Scratch, {"--readers", Bad, Music.Path()}).Err,
              "cantrel-cli: the number of readers \"" + Bad + "\" is not a whole number from 0 to 256" + Hint);
  EXPECT_EQ(RunCli(Scratch, {"-q", "--list", "--readers=256", Music.Path()}).Out, Unlimited.Out);
}

// Without --readers the readers join once the walk has waited for the file
// system: a mirror that answers every call late is then asked several
// things at once, and with --readers 0 one at a time.
TEST_F(CliTest, ReadersJoinOnceTheWalkWaitsForTheFileSystem) {
  for (int Folder = 0; Folder < 80; ++Folder) Music.MakeFile("F" + std::to_string(Folder) + "/a.mp3");
  std::string Listed;
  const auto MostCallsAtOnce = [&](std::vector<std::string> Options) -> std::optional<unsigned> {
    TTempDir Mount;
    const TFuseMirror Mirror(Music.Path(), Mount.Path(), 2);
    if (!Mirror.Mounted()) return std::nullopt;
    Options.insert(Options.end(), {"-q", "--list", Mount.Path()});
    const TCliResult Result = RunCli(Scratch, Options);
    EXPECT_EQ(Result.Status, 0) << Result.Err;
    if (Listed.empty()) Listed = Result.Out;
    EXPECT_EQ(Result.Out, Listed);
    return Mirror.MostCallsAtOnce();
  };
  const std::optional<unsigned> Alone = MostCallsAtOnce({"--readers", "0"});
  if (!Alone) GTEST_SKIP() << "FUSE cannot be mounted here";
  EXPECT_EQ(*Alone, 1u);
  EXPECT_NE(Listed.find("\nF79/a.mp3\n"), std::string::npos) << Listed;
  EXPECT_GE(MostCallsAtOnce({}), 2u);
}
