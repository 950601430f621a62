#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "TempDir.h"

using namespace cantrel::test;

namespace {

struct TResult {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Runs cantrel-cli with no terminal, in English unless told otherwise.
TResult RunCli(const TTempDir& Scratch, std::vector<std::string> Arguments, const char* Language = "C") {
  const std::string OutPath = Scratch.Path() + "stdout", ErrPath = Scratch.Path() + "stderr";
  Arguments.insert(Arguments.begin(), CANTREL_CLI_PATH);
  const pid_t Child = fork();
  if (Child == 0) {
    dup2(open(OutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open(ErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    setenv("LC_ALL", Language, 1);
    std::vector<char*> Argv;
    for (std::string& Argument : Arguments) Argv.push_back(Argument.data());
    Argv.push_back(nullptr);
    execv(Argv[0], Argv.data());
    _exit(127);
  }
  TResult Result;
  int Status = 0;
  waitpid(Child, &Status, 0);
  Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  Result.Out = ReadFileBytes(OutPath);
  Result.Err = ReadFileBytes(ErrPath);
  return Result;
}

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
  const TResult Result = RunCli(Scratch, {"--list", Music.Path()});
  EXPECT_EQ(Result.Status, 0) << Result.Err;
  EXPECT_EQ(Result.Out, "a.mp3\nb.OGG\nJazz & Blues/e.mp3\nRock/c.flac\nRock/Live/d.wav\n");
  EXPECT_EQ(Result.Err, "5 files\n6 directories\n" + Result.Err.substr(Result.Err.find("...finished")));
  EXPECT_FALSE(Exists("Music.m3u"));

  const TResult Flat = RunCli(Scratch, {"-l", "-q", "--no-recursion", "-f", "2", Music.Path()});
  EXPECT_EQ(Flat.Out, "a.mp3\n");
  EXPECT_EQ(Flat.Err, "");

  const TResult Masks = RunCli(Scratch, {"-lq", "--filter", "*.jpg;*.MKV", Music.Path() + "."});
  EXPECT_EQ(Masks.Out, "cover.jpg\nVideos/f.mkv\n");
  const TResult Video = RunCli(Scratch, {"-lq", "-f", "9", Music.Path()});
  EXPECT_EQ(Video.Out, "b.OGG\nVideos/f.mkv\n");
}

TEST_F(CliTest, EveryFormatIntoEveryFolder) {
  const struct {
    const char* Format;
    const char* Extension;
  } Formats[] = {{"m3u", ".m3u"}, {"m3u8", ".m3u8"}, {"xspf", ".xspf"}, {"wpl", ".wpl"}, {"pls", ".pls"}, {"asx", ".asx"}};
  for (const auto& Format : Formats) {
    const TResult Result = RunCli(Scratch, {"-q", "-t", Format.Format, "-n", "%album%.m3u", Music.Path()});
    ASSERT_EQ(Result.Status, 0) << Result.Err;
    for (const char* Folder : {"Rock/Rock", "Rock/Live/Live", "Jazz & Blues/Jazz & Blues", "Empty/Empty"})
      EXPECT_TRUE(Exists(std::string(Folder) + Format.Extension)) << Folder << Format.Extension;
  }
  EXPECT_EQ(Read("Rock/Rock.m3u"), "#EXTM3U\r\n\r\nc.flac\r\n\r\nLive/d.wav\r\n");
  EXPECT_EQ(Read("Rock/Rock.pls"),
            "[playlist]\r\nFile1=c.flac\r\nTitle1=c\r\n\r\nFile2=Live/d.wav\r\nTitle2=d\r\n\r\nNumberOfEntries=2\r\n"
            "Version=2\r\n");

  const TResult Bom = RunCli(Scratch, {"-q", "-t", "m3u8", "--bom", "-n", "list", Music.Path()});
  EXPECT_EQ(Bom.Status, 0);
  EXPECT_EQ(Read("Rock/Live/list.m3u8"), "\xEF\xBB\xBF#EXTM3U\r\n\r\nd.wav\r\n");

  const TResult Top = RunCli(Scratch, {"-q", "--no-recursion", "-n", "top.m3u", Music.Path()});
  EXPECT_EQ(Read("top.m3u"), "#EXTM3U\r\n\r\na.mp3\r\nb.OGG\r\n");
  EXPECT_FALSE(Exists("Rock/top.m3u"));
}

TEST_F(CliTest, ExitStatusesTellUsageFromWriteErrors) {
  const TResult Help = RunCli(Scratch, {"--help"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_NE(Help.Out.find("Usage: cantrel-cli [options] FOLDER"), std::string::npos);
  EXPECT_NE(Help.Out.find("  2  MP3 Files (*.mp3;*.mp2)"), std::string::npos);
  EXPECT_EQ(RunCli(Scratch, {"--version"}).Out.substr(0, 12), "cantrel-cli ");

  for (const std::vector<std::string>& Bad :
       {std::vector<std::string>{}, {"--frobnicate", Music.Path()}, {"-t", "mp4", Music.Path()},
        {Music.Path() + "missing"}, {Music.Path() + "a.mp3"}, {Music.Path(), Music.Path()}, {"-n"}}) {
    const TResult Result = RunCli(Scratch, Bad);
    EXPECT_EQ(Result.Status, 2) << Result.Err;
    EXPECT_EQ(Result.Err.substr(0, 13), "cantrel-cli: ");
    EXPECT_NE(Result.Err.find("\n\nUsage: cantrel-cli"), std::string::npos);
  }
  EXPECT_NE(RunCli(Scratch, {Music.Path() + "missing"}).Err.find("No such file or directory"), std::string::npos);

  // A folder where Rock's playlist should go: Rock fails, every other playlist is written.
  Music.MakeDir("Rock/all.m3u");
  const TResult Unwritable = RunCli(Scratch, {"-q", "-n", "all.m3u", Music.Path()});
  EXPECT_EQ(Unwritable.Status, 1);
  EXPECT_EQ(Unwritable.Err,
            "cantrel-cli: Cannot create file \"" + Music.Path() + "Rock/all.m3u\". Is a directory\n");
  EXPECT_TRUE(Exists("Empty/all.m3u"));
  EXPECT_TRUE(Exists("Rock/Live/all.m3u"));
  EXPECT_TRUE(Exists("Videos/all.m3u"));
  EXPECT_TRUE(Exists("all.m3u"));
}

TEST_F(CliTest, SpeaksTheUsersLanguage) {
  const TResult Result = RunCli(Scratch, {"-l", "--no-recursion", Music.Path()}, "de_DE.UTF-8");
  EXPECT_EQ(Result.Out, "a.mp3\nb.OGG\n");
  EXPECT_TRUE(Result.Err.starts_with("2 Dateien\n1 Verzeichnisse\n...fertig (0,")) << Result.Err;

  const TResult Bad = RunCli(Scratch, {"--frobnicate", Music.Path()}, "de_DE.UTF-8");
  EXPECT_TRUE(Bad.Err.starts_with("cantrel-cli: unbekannte Option \u201E--frobnicate\u201C\n\nAufruf: ")) << Bad.Err;
  const TResult Unwritable = RunCli(Scratch, {"-q", "--no-recursion", "-n", "x/y.m3u", Music.Path()}, "de_DE.UTF-8");
  EXPECT_EQ(Unwritable.Err, "cantrel-cli: Datei \u201E" + Music.Path() + "x/y.m3u\u201C kann nicht erstellt werden. "
                            "No such file or directory\n");
}
