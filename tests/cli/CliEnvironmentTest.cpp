#include <gtest/gtest.h>

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "CliRunner.h"

using namespace cantrel::test;

namespace {

// A copy of cantrel-cli in a folder of its own, with what a test puts
// beside it.
class CliEnvironmentTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* File : {"a.beside", "b.config", "c.home", "d.mkv", "e.mp3"}) Music.MakeFile(File);
    Home.MakeDir("bin");
    std::filesystem::copy_file(CANTREL_CLI_PATH, Program());
    OpenToEveryone(Home);
    OpenToEveryone(Music);
    OpenToEveryone(Scratch);
  }

  std::string Program() const { return Home.Path() + "bin/cantrel-cli"; }
  TCliResult Video(std::vector<std::string> Environment, bool Unprivileged = false) const {
    return RunCli(Scratch, {.Arguments = {"-lq", "-f", "9", Music.Path()},
                            .Program = Program(),
                            .Unprivileged = Unprivileged,
                            .Environment = std::move(Environment)});
  }

  TTempDir Home;
  TTempDir Music;
  TTempDir Scratch;
};

}  // namespace

TEST_F(CliEnvironmentTest, SettingsFileBesideTheProgramOrInTheUsersConfiguration) {
  Home.MakeFile("bin/cantrel.ini", "[Filter]\nVideoFormat=Beside (*.beside)\n");
  Home.MakeFile("config/cantrel/cantrel.ini", "[Filter]\nVideoFormat=Config (*.config)\n");
  Home.MakeFile("home/.config/cantrel/cantrel.ini", "[Filter]\nVideoFormat=Home (*.home)\n");
  const std::string Config = "XDG_CONFIG_HOME=" + Home.Path() + "config", HomeVariable = "HOME=" + Home.Path() + "home";

  EXPECT_EQ(Video({Config, HomeVariable}).Out, "a.beside\n");
  // Installed: the folder of the program is not the user's to write.
  chmod((Home.Path() + "bin").c_str(), 0555);
  EXPECT_EQ(Video({Config, HomeVariable}, true).Out, "b.config\n");
  EXPECT_EQ(Video({"XDG_CONFIG_HOME", HomeVariable}, true).Out, "c.home\n");
  EXPECT_EQ(Video({"XDG_CONFIG_HOME=relative/config", HomeVariable}, true).Out, "c.home\n");
}

TEST_F(CliEnvironmentTest, FilterTenIsTheLineOfMoreAudioFormatsOfTheSettingsFile) {
  Music.MakeFile("f.opus");
  Music.MakeFile("g.m4b");
  const auto List = [&](const char* Filter) {
    return RunCli(Scratch, {.Arguments = {"-lq", "-f", Filter, Music.Path()}, .Program = Program()}).Out;
  };
  EXPECT_EQ(List("10"), "f.opus\ng.m4b\n");
  Home.MakeFile("bin/cantrel.ini", "[Filter]\nAudioFormat=Beside (*.beside)\nVideoFormat=Config (*.config)\n");
  EXPECT_EQ(List("10"), "a.beside\n");
  EXPECT_EQ(List("9"), "b.config\n");
  const std::string Help = RunCli(Scratch, {.Arguments = {"--help"}, .Program = Program()}).Out;
  EXPECT_NE(Help.find("\n  9  Supported Video File (*.3gp;"), std::string::npos) << Help;
  EXPECT_NE(Help.find("\n  10 More Audio Files (*.m4a;*.m4b;"), std::string::npos) << Help;
}

TEST_F(CliEnvironmentTest, ASettingsFileThatIsNoFileNeitherHangsNorStopsTheRun) {
  const std::string Settings = Home.Path() + "bin/cantrel.ini";
  const std::function<void()> Setups[] = {
      [&] { ASSERT_EQ(mkfifo(Settings.c_str(), 0644), 0); },
      [&] { std::filesystem::create_symlink("/dev/zero", Settings); },
      [&] { std::filesystem::create_directory(Settings); },
  };
  for (const auto& Setup : Setups) {
    std::filesystem::remove(Settings);
    Setup();
    const TCliResult Result = Video({});
    EXPECT_EQ(Result.Status, 0) << Result.Err;
    EXPECT_EQ(Result.Out, "d.mkv\n");
  }
}

TEST_F(CliEnvironmentTest, ACatalogThatCannotBeReadLeavesEnglish) {
  const std::string German = "de_DE.UTF-8";
  const std::string Catalog = "bin/locale/de/LC_MESSAGES/cantrel-cli.mo";
  Home.MakeFile(Catalog, std::string(64, 'x'));
  const std::string Warning = "cantrel-cli: Localization problem: This file is not a valid GNU gettext mo file: " +
                              Home.Path() + Catalog + "\n";

  // The system's own texts follow the C library's German, where it has it.
  for (const TCLibrary& Library : CLibraries(Scratch)) {
    SCOPED_TRACE(Library.Name);
    const auto Run = [&](std::vector<std::string> Arguments, std::string Output = {}) {
      return RunCli(Scratch, {.Arguments = std::move(Arguments), .Language = German, .Program = Program(),
                              .Output = std::move(Output), .Environment = Library.Environment});
    };
    const TCliResult List = Run({"-l", "-f", "2", Music.Path()});
    EXPECT_EQ(List.Status, 0);
    EXPECT_EQ(List.Out, "e.mp3\n");
    EXPECT_TRUE(List.Err.starts_with(Warning + "1 files\n1 directories\n...finished (")) << List.Err;

    const TCliResult Usage = Run({"-n", "/", Music.Path()});
    EXPECT_EQ(Usage.Status, 2);
    EXPECT_EQ(Usage.Err, Warning + "cantrel-cli: the playlist name \"/\" is not a file name\n"
                                   "Try 'cantrel-cli --help' for more information.\n");

    const TCliResult Full = Run({"-lq", Music.Path()}, "/dev/full");
    EXPECT_EQ(Full.Status, 1);
    EXPECT_EQ(Full.Err, Warning + "cantrel-cli: write error: " + SystemText(ENOSPC, German, Library) + "\n");
  }
}

TEST_F(CliEnvironmentTest, ATranslationWithOtherPlaceholdersLeavesItsTextInEnglish) {
  // Compiled without msgfmt's format checks, as a careless catalog would be.
  Home.MakeFile("cli.po", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                          "msgid \"cannot search \\\"%s\\\": %s\"\nmsgstr \"%s%n%x\"\n"
                          "msgid \"...finished (%f seconds).\"\nmsgstr \"...fertig nach %d Sekunden.\"\n");
  const std::string Catalog = Home.Path() + "bin/locale/de/LC_MESSAGES/cantrel-cli.mo";
  Home.MakeDir("bin/locale/de/LC_MESSAGES");
  ASSERT_EQ(std::system((CANTREL_MSGFMT " -o " + Catalog + " " + Home.Path() + "cli.po").c_str()), 0);
  const auto Refused = [&](const std::string& Text) {
    return "cantrel-cli: Localization problem: The translation of \"" + Text + "\" in " + Catalog +
           " does not keep the placeholders of the text in their order. Such translations are not used.\n";
  };
  const auto Run = [&](std::vector<std::string> Arguments) {
    return RunCli(Scratch, {.Arguments = std::move(Arguments), .Language = "de_DE.UTF-8", .Program = Program()});
  };
  // The status of a folder that cannot be searched, and its message.
  const TCliResult Missing = Run({Music.Path() + "missing"});
  EXPECT_EQ(Missing.Status, 2);
  EXPECT_EQ(Missing.Err, Refused("cannot search \"%s\": %s") + "cantrel-cli: cannot search \"" + Music.Path() +
                             "missing\": " + SystemText(ENOENT, "de_DE.UTF-8", {"the machine's", {}}) + "\n");
  // A summary in English, and Make goes on.
  const TCliResult Made = Run({"-n", "list.m3u", Music.Path()});
  EXPECT_EQ(Made.Status, 0);
  EXPECT_TRUE(Made.Err.starts_with(Refused("...finished (%f seconds).") + "1 files\n")) << Made.Err;
  EXPECT_EQ(ReadFileBytes(Music.Path() + "list.m3u"), CrLfLines({"#EXTM3U", "", "e.mp3"}));
}

TEST_F(CliEnvironmentTest, ProgressShowsControlCharactersAsQuestionMarks) {
  const std::string Folder = Music.Path() + "Bad\x1b[2J\aName\xc2\x9b\x9b";
  std::filesystem::create_directory(Folder);
  std::filesystem::copy_file(Music.Path() + "e.mp3", Folder + "/e.mp3");
  winsize Size{};
  Size.ws_col = 500;
  Size.ws_row = 25;
  int Terminal = -1;
  const pid_t Child = forkpty(&Terminal, nullptr, nullptr, &Size);
  ASSERT_GE(Child, 0);
  if (Child == 0) {
    setenv("LC_ALL", "C", 1);
    execl(CANTREL_CLI_PATH, CANTREL_CLI_PATH, "-n", "list.m3u", Folder.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string Screen;
  char Buffer[4096];
  for (ssize_t Read; (Read = read(Terminal, Buffer, sizeof Buffer)) > 0;) Screen.append(Buffer, Read);
  int Status = 0;
  waitpid(Child, &Status, 0);
  close(Terminal);
  EXPECT_EQ(WEXITSTATUS(Status), 0);
  EXPECT_NE(Screen.find("Processing " + Music.Path() + "Bad?[2J?Name?" "?/..."), std::string::npos) << Screen;
  // Only the line's own clearing reaches the terminal.
  std::string Controls;
  for (std::size_t At = 0; (At = Screen.find('\x1b', At)) != std::string::npos; ++At) Controls += Screen.substr(At, 3);
  EXPECT_EQ(Controls, "\x1b[K\x1b[K");
  EXPECT_EQ(Screen.find('\a'), std::string::npos);
  EXPECT_EQ(Screen.find("\xc2\x9b"), std::string::npos);
}
