#include <gtest/gtest.h>

#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/Strings.h"

using namespace cantrel;

namespace {

String Shouting(const TResStringRec* Rec) { return u"!" + LoadResourceText(Rec); }
String ByNumber(int Identifier) { return u"#" + IntToStr(Identifier); }

constexpr TResourceEntry AppTable[] = {{7, u"seven"}, {8, u""}};
const TResourceModule AppModule{AppTable, std::size(AppTable)};

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
