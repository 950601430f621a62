#include <gtest/gtest.h>

#include <set>

#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/Strings.h"

using namespace cantrel;

namespace {

String Shouting(const TResStringRec* Rec) { return u"!" + LoadResourceText(Rec); }
String ByNumber(int Identifier) { return u"#" + IntToStr(Identifier); }

constexpr TResourceEntry AppTable[] = {{7, u"seven"}, {8, u""}};
const TResourceModule AppModule{AppTable, std::size(AppTable)};

#define TEST_STRINGS(ResourceString)     \
  ResourceString(STestFirst, 41, u"one") \
  ResourceString(STestSecond, 43, u"two")
CANTREL_DECLARE_RESOURCE_STRINGS(TestResources, TEST_STRINGS)
CANTREL_DEFINE_RESOURCE_STRINGS(TestResources, TEST_STRINGS)

}  // namespace

TEST(ResourceStringsTest, MessagesGoThroughTheReplaceableLoader) {
  TStringList List;
  ASSERT_EQ(SetResStringLoader(&Shouting), nullptr);
  try {
    List.Delete(3);
    ADD_FAILURE();
  } catch (const EStringListError& Error) {
    EXPECT_EQ(Error.Message(), u"!List index out of bounds (3)");
  }
  EXPECT_EQ(SetResStringLoader(nullptr), &Shouting);
  EXPECT_EQ(LoadResString(&SListIndexError), u"List index out of bounds (%d)");

  // An identifier above the table range is the text's own address.
  static const char16_t Inline[] = u"inline text";
  const TResStringRec InlineRec{nullptr, reinterpret_cast<std::intptr_t>(Inline)};
  EXPECT_EQ(LoadResString(&InlineRec), u"inline text");
  EXPECT_EQ(LoadResString(nullptr), u"");
}

TEST(ResourceStringsTest, IdentifiersSearchTheRegisteredModules) {
  RegisterResourceModule(AppModule);
  EXPECT_EQ(LoadStr(7), u"seven");
  EXPECT_EQ(LoadStr(8), u"") << "an empty string counts as absent";
  SetIdentStringLoader(&ByNumber);
  EXPECT_EQ(LoadStr(7), u"#7");
  SetIdentStringLoader(nullptr);
  EXPECT_EQ(LoadStringResource(AppModule, 99), u"");
}

TEST(ResourceStringsTest, OneListMakesTheTableAndTheRecords) {
  ASSERT_EQ(TestResources.Count, 2u);
  EXPECT_EQ(TestResources.Entries[1].Identifier, 43);
  EXPECT_EQ(STestSecond.Module, &TestResources);
  EXPECT_EQ(STestSecond.Identifier, 43);
  EXPECT_EQ(LoadResString(&STestFirst), u"one");
  EXPECT_EQ(LoadStringResource(TestResources, 43), u"two");

  // The run-time layer's identifiers are what catalogs and callers know.
  EXPECT_EQ(SListIndexError.Identifier, 65201);
  EXPECT_EQ(SIniLineBreak.Identifier, 65350);
  EXPECT_EQ(LoadStr(65250), u"CheckSynchronize called from a thread that is not the main thread");
  std::set<int> Identifiers;
  for (std::size_t I = 0; I < RuntimeResources.Count; ++I)
    EXPECT_TRUE(Identifiers.insert(RuntimeResources.Entries[I].Identifier).second);
}
