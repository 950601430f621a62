// Times reading tags: the bare TagLib loop against cantrel-cli --tags on a
// generated library of real tagged files, the tag cache's warm runs against
// runs without tags on the kept libraries, and the peak memory tags add per
// file. Prints the figures; decides nothing.

#include <locale.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <audioproperties.h>
#include <fileref.h>
#include <tag.h>

#include "AudioFiles.h"
#include "BenchLibrary.h"
#include "BenchRun.h"
#include "BenchSettings.h"

using namespace cantrel;
using namespace cantrel::bench;
namespace fs = std::filesystem;

namespace {

constexpr int TaggedFiles = 20000;
constexpr int TaggedFolders = 1000;
// One file in a hundred carries 500 KB of cover art.
constexpr int CoverEvery = 100;
constexpr std::size_t CoverBytes = 500 * 1024;
constexpr int MemoryFiles = 200000;
constexpr int MemoryFolders = 10000;
// cantrel-cli's default number of tag readers.
constexpr int Readers = 16;

const std::vector<std::string> CliEnvironment{"LC_ALL=en_US.UTF-8"};

// Files of every format a few KB each, spread over folders, made once and
// kept; Covers adds the large pictures.
fs::path MakeTaggedLibrary(const fs::path& Base, int Files, int Folders, bool Covers) {
  const fs::path Root = Base / ("cantrel-tagbench-" + std::to_string(Files) + (Covers ? "-covers" : ""));
  const fs::path Stamp = Root / ".complete";
  if (fs::exists(Stamp)) return Root;
  fs::remove_all(Root);
  std::vector<std::string> Made;
  for (std::size_t Format = 0; Format < std::size(test::AudioFormats); ++Format)
    Made.push_back(test::MakeAudioFile(test::AudioFormats[Format], 3000,
                                       {u"A title of some length", u"An artist", u"An album", "3/12", "1/2"}));
  const std::string Covered =
      Covers ? test::MakeAudioFile(test::TAudioFormat::afMp3, 3000, {u"Cover", u"Art", u"Big", "1", "", CoverBytes})
             : std::string();
  for (int File = 0; File < Files; ++File) {
    const fs::path Folder =
        Root / ("Artist " + std::to_string(File % Folders / 10)) / ("Album " + std::to_string(File % Folders));
    fs::create_directories(Folder);
    const std::size_t Format = static_cast<std::size_t>(File) % Made.size();
    const bool Cover = Covers && File % CoverEvery == 0;
    const std::string Extension = Cover ? ".mp3" : test::AudioExtension(test::AudioFormats[Format]);
    const fs::path Name = Folder / ("Track " + std::to_string(File) + Extension);
    std::ofstream(Name, std::ios::binary) << (Cover ? Covered : Made[Format]);
  }
  std::ofstream(Stamp) << "";
  return Root;
}

std::vector<fs::path> FilesBelow(const fs::path& Root) {
  std::vector<fs::path> Files;
  for (const auto& Entry : fs::recursive_directory_iterator(Root))
    if (Entry.is_regular_file() && Entry.path().filename() != ".complete") Files.push_back(Entry.path());
  return Files;
}

// TagLib alone: each file opened by path in the fast style, its title and
// length asked for, on Threads threads. Answers files per second.
double BareLoop(const std::vector<fs::path>& Files, int Threads) {
  std::atomic<std::size_t> Next{0};
  std::atomic<long> Checksum{0};
  const auto Start = std::chrono::steady_clock::now();
  std::vector<std::jthread> Workers;
  for (int I = 0; I < Threads; ++I)
    Workers.emplace_back([&] {
      for (std::size_t Index; (Index = Next.fetch_add(1)) < Files.size();) {
        TagLib::FileRef Ref(Files[Index].c_str(), true, TagLib::AudioProperties::Fast);
        if (Ref.isNull()) continue;
        long Sum = Ref.tag() ? static_cast<long>(Ref.tag()->title().size()) : 0;
        if (Ref.audioProperties()) Sum += Ref.audioProperties()->lengthInMilliseconds();
        Checksum += Sum;
      }
    });
  Workers.clear();
  const std::chrono::duration<double> Elapsed = std::chrono::steady_clock::now() - Start;
  return static_cast<double>(Files.size()) / Elapsed.count();
}

class TTagBench {
public:
  TTagBench(const TBenchSettings& Settings) : FSettings(Settings), FCli(ProgramBeside("cantrel-cli")) {}

  void Run() {
    std::printf("cantrel-tag-bench: %ld processors, best of %d runs, warm page cache, %d tag readers\n\n",
                sysconf(_SC_NPROCESSORS_ONLN), FSettings.Runs, Readers);
    std::printf("%-44s | %9s | %7s | %s\n", "", "files/s", "x bare", "goal");
    ReadingRows();
    std::printf("\n%-44s | %9s | %7s | %s\n", "", "seconds", "x plain", "goal");
    CacheRows(TBenchLibrary(FSettings.Base, FSettings.Files, FSettings.Folders));
    if (FSettings.Large) CacheRows(TBenchLibrary(FSettings.Base, 1000000, 50000));
    MemoryRow();
  }

private:
  std::vector<std::string> Cli(const fs::path& Root, std::vector<std::string> Options) const {
    std::vector<std::string> Command{FCli, "--quiet", "--format", "m3u8", "--name", "%album% tagbench.m3u8"};
    Command.insert(Command.end(), Options.begin(), Options.end());
    Command.push_back(Root.string());
    return Command;
  }

  std::vector<std::string> Environment() const {
    std::vector<std::string> Result = CliEnvironment;
    Result.push_back("XDG_CACHE_HOME=" + (FSettings.Base / "cantrel-tagbench-cache").string());
    return Result;
  }

  void ReadingRows() {
    const fs::path Root = MakeTaggedLibrary(FSettings.Base, TaggedFiles, TaggedFolders, true);
    const std::vector<fs::path> Files = FilesBelow(Root);
    double Bare = 0;
    for (int I = 0; I < FSettings.Runs; ++I) Bare = std::max(Bare, BareLoop(Files, Readers));
    const TRun Job = BestOf(FSettings.Runs, Cli(Root, {"--tags", "--no-cache"}), Environment());
    const double JobRate = static_cast<double>(Files.size()) / Job.Seconds;
    std::printf("%-44s | %9.0f | %7s | %s\n", "bare TagLib loop, 20k files", Bare, "1.00", "");
    std::printf("%-44s | %9.0f | %7.2f | %s\n", "cantrel-cli --tags --no-cache, whole job", JobRate, JobRate / Bare,
                ">= 0.75x bare");
  }

  void CacheRows(TBenchLibrary Library) {
    if (Library.Prepare()) std::fprintf(stderr, "cantrel-tag-bench: made %s\n", Library.Root().c_str());
    const TRun Plain = BestOf(FSettings.Runs, Cli(Library.Root(), {}), Environment());
    BestOf(1, Cli(Library.Root(), {"--tags"}), Environment());
    const TRun Warm = BestOf(FSettings.Runs, Cli(Library.Root(), {"--tags"}), Environment());
    const std::string Name = std::to_string(Library.Files() / 1000) + "k files";
    std::printf("%-44s | %9.3f | %7s | %s\n", ("Find + Make, " + Name).c_str(), Plain.Seconds, "1.00", "");
    std::printf("%-44s | %9.3f | %7.2f | %s\n", ("Find + Make --tags, full cache, " + Name).c_str(), Warm.Seconds,
                Warm.Seconds / Plain.Seconds, "<= 1.3x");
    Library.RemovePlayLists(" tagbench.m3u8");
  }

  void MemoryRow() {
    const fs::path Root = MakeTaggedLibrary(FSettings.Base, MemoryFiles, MemoryFolders, false);
    const TRun Plain = BestOf(1, Cli(Root, {}), Environment());
    const TRun Tagged = BestOf(1, Cli(Root, {"--tags", "--no-cache"}), Environment());
    const double PerFile = static_cast<double>(Tagged.PeakKiB - Plain.PeakKiB) * 1024 / MemoryFiles;
    std::printf("\n%-44s | %9.0f | %7s | %s\n", "peak memory added by --tags, B/file (200k)", PerFile, "",
                "<= 400 B/file");
  }

  const TBenchSettings& FSettings;
  std::string FCli;
};

}  // namespace

int main(int Argc, char** Argv) {
  setlocale(LC_ALL, "");
  const TBenchSettings Settings = ParseBenchSettings(Argc, Argv);
  TTagBench(Settings).Run();
  return 0;
}
