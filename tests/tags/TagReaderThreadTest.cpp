#include <atomic>
#include <thread>
#include <vector>

#include "TagReaderTesting.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

class TagReaderThreadTest : public TTagFolderTest {};

struct TFileCase {
  std::string Name;
  TMediaTags Tags;
};

}  // namespace

TEST_F(TagReaderThreadTest, SeveralThreadsReadAtOnce) {
  std::vector<TFileCase> Cases;
  int Number = 0;
  for (const TAudioFormat Format : AudioFormats)
    for (const StringView Title : {u"Один", u"二", u"Three 🎶"}) {
      ++Number;
      const String Unique = String(Title) + u" " + AsciiToString(std::to_string(Number));
      Cases.push_back({"file" + std::to_string(Number) + AudioExtension(Format),
                       {Unique, u"Artist", u"Album", Number, Number % 3 + 1, 120 * Number}});
      Make(Cases.back().Name, Format,
           {Unique, u"Artist", u"Album", std::to_string(Number), std::to_string(Number % 3 + 1)}, 120 * Number);
    }
  Dir.MakeFile("broken.flac", "fLaC and nothing more");
  Cases.push_back({"broken.flac", {}});

  constexpr int Threads = 4;
  constexpr int Rounds = 20;
  const std::uint64_t OpenedBefore = MediaFilesOpened();
  std::atomic<int> Wrong{0};
  std::atomic<int> Ready{0};
  std::vector<std::thread> Readers;
  for (int Thread = 0; Thread < Threads; ++Thread)
    Readers.emplace_back([&, Thread] {
      // All start together, each at another file, so the same formats are
      // read on several threads at the same moment.
      ++Ready;
      while (Ready.load() < Threads) std::this_thread::yield();
      for (int Round = 0; Round < Rounds; ++Round)
        for (std::size_t Index = 0; Index < Cases.size(); ++Index) {
          const TFileCase& Case = Cases[(Index + Thread * 3) % Cases.size()];
          if (!(ReadMediaTags(Folder, Utf8ToString(Case.Name)) == Case.Tags)) ++Wrong;
        }
    });
  for (std::thread& Reader : Readers) Reader.join();
  EXPECT_EQ(Wrong.load(), 0);
  EXPECT_EQ(MediaFilesOpened() - OpenedBefore, static_cast<std::uint64_t>(Threads * Rounds) * Cases.size());
}
