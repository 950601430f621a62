#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "I18nTestSupport.h"
#include "Waiting.h"
#include "i18n/Gettext.h"
#include "runtime/Paths.h"
#include "runtime/RuntimeConsts.h"

using namespace cantrel;
using namespace cantrel::test;

namespace {

constexpr int ListIndexErrorId = 65201;
constexpr int Workers = 4;
constexpr int Rounds = 200;

}  // namespace

TEST(GettextThreadTest, WorkersLookUpWhileTheMainThreadRebindsAndAddsDomains) {
  const TScopedEnvironment Environment{{"LC_ALL", "de_DE.UTF-8"}};
  const TGettextLayer Layer;
  TGettextInstance& Engine = *DefaultGettextInstance();
  Engine.bindtextdomain(u"default", FixtureCatalogs());
  Engine.bindtextdomain(u"fixture", FixtureCatalogs());
  Engine.bindtextdomain(u"extra", FixtureCatalogs());

  std::atomic<int> Wrong{0};
  std::vector<std::thread> Threads;
  for (int Worker = 0; Worker < Workers; ++Worker)
    Threads.emplace_back([&] {
      for (int Round = 0; Round < Rounds; ++Round) {
        // By identifier: translated on every thread.
        if (LoadStr(ListIndexErrorId) != u"Listenindex außerhalb des gültigen Bereichs (%d)") ++Wrong;
        // By record: translated on the engine's thread only.
        if (LoadResString(&SListIndexError) != u"List index out of bounds (%d)") ++Wrong;
        if (dgettext(u"fixture", u"Find") != u"Suchen") ++Wrong;
      }
    });
  for (int Round = 0; Round < Rounds; ++Round) {
    // Rebinding closes the domain's catalog, so the next lookup, on any
    // thread, opens it again through the shared cache.
    Engine.bindtextdomain(u"fixture", FixtureCatalogs());
    AddResourceStringDomain(Round % 2 ? u"extra" : u"fixture");
    if (LoadResString(&SListIndexError) != u"Listenindex außerhalb des gültigen Bereichs (%d)") ++Wrong;
    if (gettext(u"x") != u"x") ++Wrong;
  }
  for (std::thread& Thread : Threads) Thread.join();
  EXPECT_EQ(Wrong, 0);
}

TEST(GettextThreadTest, ConcurrentHoldersShareOneCatalog) {
  TFileLocator Locator(ModuleFileName());
  const String Path = FixtureCatalog("de");
  std::atomic<int> Wrong{0};
  std::vector<std::thread> Threads;
  for (int Worker = 0; Worker < Workers; ++Worker)
    Threads.emplace_back([&] {
      for (int Round = 0; Round < Rounds; ++Round) {
        const std::shared_ptr<TMoFile> Catalog = Locator.GetMoFile(Path);
        bool Found;
        if (Catalog->gettext("Make", Found) != "Erstellen") ++Wrong;
      }
    });
  for (std::thread& Thread : Threads) Thread.join();
  EXPECT_EQ(Wrong, 0);
  EXPECT_EQ(Locator.GetMoFile(Path).use_count(), 1);  // every hold was given back
}

TEST(GettextThreadTest, NoLookupWaitsWhileTheUserIsToldOfARefusedCatalog) {
  TFileLocator Locator(ModuleFileName());
  TGettextInstance Engine(Locator, ModuleFileName());
  Engine.bindtextdomain(u"fixture", FixtureCatalogs());
  Engine.bindtextdomainToFile(u"other", FixtureCatalog("de"));
  Engine.UseLanguage(u"es");  // not declared UTF-8: refused with a message box

  std::thread Worker;
  std::atomic<bool> WorkerDone{false};
  String WorkerResult;
  int Shown = 0;
  bool DoneWhileShown = false;
  // The box stays open until a lookup on another thread has finished.
  const TMessageBoxHook Previous = SetMessageBoxHook([&](const String&, const String&, TMessageBoxIcon) {
    ++Shown;
    Worker = std::thread([&] {
      WorkerResult = Engine.dgettext(u"other", u"Find");
      WorkerDone = true;
    });
    DoneWhileShown = WaitUntil([&] { return WorkerDone.load(); });
  });
  const String Result = Engine.dgettext(u"fixture", u"Find");
  SetMessageBoxHook(Previous);
  Worker.join();
  EXPECT_EQ(Result, u"Find");
  EXPECT_EQ(Shown, 1);
  EXPECT_TRUE(DoneWhileShown);
  EXPECT_EQ(WorkerResult, u"Suchen");
}
