#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <optional>

#include "CliRunner.h"
#include "RunProgram.h"

using namespace cantrel::test;

namespace {

std::string ReadFileAt(int Folder, const std::string& Name) {
  const int Handle = openat(Folder, Name.c_str(), O_RDONLY | O_CLOEXEC);
  std::string Bytes;
  char Buffer[4096];
  for (ssize_t Read; Handle >= 0 && (Read = read(Handle, Buffer, sizeof Buffer)) > 0;) Bytes.append(Buffer, Read);
  if (Handle >= 0) close(Handle);
  return Bytes;
}

// Runs the shell script as root: real root, or root of a user namespace
// that maps the subordinate ids of this user; none where neither exists.
// The script gets the arguments $1, $2 and so on.
std::optional<TCliResult> RunAsRoot(const TTempDir& Scratch, const std::string& Script,
                                    const std::vector<std::string>& Arguments) {
  std::vector<std::string> Shell{"-c", Script, "sh"};
  Shell.insert(Shell.end(), Arguments.begin(), Arguments.end());
  if (geteuid() == 0) return RunCli(Scratch, {.Arguments = Shell, .Program = "/bin/sh"});
  if (RunProgram({"unshare", "--map-auto", "--map-root-user", "true"}) != 0) return std::nullopt;
  std::vector<std::string> Namespace{"--map-auto", "--map-root-user", "/bin/sh"};
  Namespace.insert(Namespace.end(), Shell.begin(), Shell.end());
  return RunCli(Scratch, {.Arguments = Namespace, .Program = "/usr/bin/unshare"});
}

void SetAge(const std::string& Path, std::time_t Seconds) {
  const struct timespec Times[2] = {{std::time(nullptr) - Seconds, 0}, {std::time(nullptr) - Seconds, 0}};
  utimensat(AT_FDCWD, Path.c_str(), Times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace

TEST(CliWriteRulesTest, TheFolderIsOpenedOnceAndNamedAsTheKernelFollowsIt) {
  TTempDir Dir, Scratch;
  // A music folder that is a link to a share keeps its own name.
  Dir.MakeFile("Library/a.mp3");
  Dir.MakeDir("Home");
  ASSERT_EQ(symlink((Dir.Path() + "Library").c_str(), (Dir.Path() + "Home/Music").c_str()), 0);
  EXPECT_EQ(RunCli(Scratch, {"-q", "-n", "%album%", Dir.Path() + "Home/Music"}).Status, 0);
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "Library/Music.m3u"), CrLfLines({"#EXTM3U", "", "a.mp3"}));

  // ".." goes up from where the link leads, for the search and the name.
  Dir.MakeFile("Real/r.mp3");
  Dir.MakeFile("Real/deep/d.mp3");
  Dir.MakeDir("Work");
  ASSERT_EQ(symlink("../Real/deep", (Dir.Path() + "Work/link").c_str()), 0);
  const TCliResult Up =
      RunCli(Scratch, {.Arguments = {"-q", "-n", "%album%", "link/.."}, .Directory = Dir.Path() + "Work"});
  EXPECT_EQ(Up.Status, 0) << Up.Err;
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "Real/Real.m3u"), CrLfLines({"#EXTM3U", "", "r.mp3", "", "deep/d.mp3"}));
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "Work/Work.m3u"));

  // A folder deeper than a path can name, searched from inside; its
  // playlist is a link to a file inside it, written through.
  const int Deep = MakeFolderChain(Dir.Path(), std::string(200, 'd'), 25);
  ASSERT_GE(Deep, 0);
  ASSERT_EQ(mkdirat(Deep, "sub", 0755), 0);
  MakeFileAt(Deep, "a.mp3");
  MakeFileAt(Deep, "sub/b.mp3");
  ASSERT_EQ(symlinkat("sub/all.m3u", Deep, "list.m3u"), 0);
  std::string Path = Dir.Path();
  for (int Level = 0; Level < 25; ++Level) Path += std::string(200, 'd') + "/";
  const TCliResult Deeper = RunCli(Scratch, {.Arguments = {"-q", "-n", "list.m3u", "."}, .Directory = Path});
  EXPECT_EQ(Deeper.Status, 0) << Deeper.Err.substr(0, 300);
  EXPECT_EQ(ReadFileAt(Deep, "sub/all.m3u"), CrLfLines({"#EXTM3U", "", "a.mp3", "", "sub/b.mp3"}));
  EXPECT_EQ(ReadFileAt(Deep, "sub/list.m3u"), CrLfLines({"#EXTM3U", "", "b.mp3"}));
  struct stat Info {};
  EXPECT_TRUE(fstatat(Deep, "list.m3u", &Info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(Info.st_mode));
  close(Deep);
}

TEST(CliWriteRulesTest, AReplacedPlaylistKeepsItsOwnerAndNeverASetIdBit) {
  TTempDir Dir, Scratch;
  Dir.MakeFile("Music/a.mp3");
  Dir.MakeFile("Music/list.m3u", "old");
  // Root rewrites a user's playlist, whose mode a mistake gave set-user-ID.
  const std::optional<TCliResult> Rewritten =
      RunAsRoot(Scratch,
                "set -e; chown -R 65534:65534 \"$1\"; chmod 4755 \"$1/list.m3u\";"
                " \"$2\" -q -n list.m3u \"$1\"; stat -c %u:%g:%a \"$1/list.m3u\"",
                {Dir.Path() + "Music", CANTREL_CLI_PATH});
  if (!Rewritten) GTEST_SKIP() << "neither root nor subordinate ids";
  EXPECT_EQ(Rewritten->Status, 0) << Rewritten->Err;
  EXPECT_EQ(Rewritten->Out, "65534:65534:755\n");
  EXPECT_EQ(ReadFileBytes(Dir.Path() + "Music/list.m3u"), CrLfLines({"#EXTM3U", "", "a.mp3"}));
}

TEST(CliWriteRulesTest, MakeRemovesItsOldLeftoversWhereItWrites) {
  TTempDir Dir, Scratch;
  for (const char* File : {"a.mp3", "Sub/b.mp3", ".cantrel-Old123", ".cantrel-New123", ".cantrel-Long1234",
                           "Sub/.cantrel-Sub123", "Flat/f.mp3", "Flat/.cantrel-Flt123"})
    Dir.MakeFile(File);
  Dir.MakeDir(".cantrel-Dir123");
  for (const char* Old : {".cantrel-Old123", ".cantrel-Long1234", ".cantrel-Dir123", "Sub/.cantrel-Sub123",
                          "Flat/.cantrel-Flt123"})
    SetAge(Dir.Path() + Old, 2 * 3600);
  // A replacement of the last minutes may still be going on.
  SetAge(Dir.Path() + ".cantrel-New123", 60);
  EXPECT_EQ(RunCli(Scratch, {"-q", "-n", "list.m3u", Dir.Path() + "Sub"}).Status, 0);
  EXPECT_FALSE(FileExistsAt(Dir.Path() + "Sub/.cantrel-Sub123"));
  EXPECT_EQ(RunCli(Scratch, {"-q", "--no-recursion", "-n", "list.m3u", Dir.Path()}).Status, 0);
  EXPECT_FALSE(FileExistsAt(Dir.Path() + ".cantrel-Old123"));
  for (const char* Kept : {".cantrel-New123", ".cantrel-Long1234", ".cantrel-Dir123", "Flat/.cantrel-Flt123"})
    EXPECT_TRUE(FileExistsAt(Dir.Path() + Kept)) << Kept;
}
