#include <gtest/gtest.h>

#include "runtime/Exceptions.h"
#include "runtime/Object.h"
#include "runtime/Strings.h"

using namespace cantrel;

namespace {

class TLabel : public TPersistent {
  CANTREL_DECLARE_CLASS();

public:
  String Caption() const { return FCaption; }
  void SetCaption(const String& Value) { FCaption = Value; }
  String Hint() const { return u"fixed"; }
  TStringList* Lines() const { return &FLines; }

private:
  String FCaption;
  mutable TStringList FLines;
};

const TClassInfo& TLabel::StaticClass() {
  static const TClassInfo Info(u"TLabel", &TPersistent::StaticClass(),
                               {StringProperty<TLabel>(u"Caption", &TLabel::Caption, &TLabel::SetCaption),
                                StringProperty<TLabel>(u"Hint", &TLabel::Hint),
                                ObjectProperty<TLabel>(u"Lines", &TLabel::Lines)});
  return Info;
}

const TClassInfo& TLabel::ClassType() const { return StaticClass(); }

}  // namespace

TEST(ObjectTest, ClassDescriptorsKnowTheirAncestry) {
  TLabel Label;
  TStringList List;
  EXPECT_EQ(Label.ClassName(), u"TLabel");
  EXPECT_TRUE(Label.InheritsFrom(TPersistent::StaticClass()));
  EXPECT_TRUE(Label.InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(Label.InheritsFrom(TStrings::StaticClass()));
  EXPECT_EQ(List.ClassName(), u"TStringList");
  EXPECT_TRUE(List.InheritsFrom(TStrings::StaticClass()));
}

TEST(ObjectTest, PublishedPropertiesAreReadAndWrittenByName) {
  TLabel Label;
  ASSERT_EQ(TLabel::StaticClass().Properties().size(), 3u);
  EXPECT_TRUE(Label.SetPropValue(u"caption", String(u"Find")));
  EXPECT_EQ(Label.Caption(), u"Find");
  EXPECT_EQ(std::get<String>(Label.GetPropValue(u"Caption")), u"Find");
  EXPECT_FALSE(Label.SetPropValue(u"Hint", String(u"x")));
  EXPECT_FALSE(Label.SetPropValue(u"Missing", String(u"x")));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Label.GetPropValue(u"Missing")));
  EXPECT_EQ(std::get<TObject*>(Label.GetPropValue(u"Lines")), Label.Lines());
  const TPropInfo* Lines = TLabel::StaticClass().FindProperty(u"LINES");
  ASSERT_NE(Lines, nullptr);
  EXPECT_EQ(Lines->Kind, TTypeKind::tkClass);
}

TEST(ObjectTest, AssignWithoutAWayRaisesConvertError) {
  TLabel Label;
  TStringList List;
  try {
    List.Assign(Label);
    FAIL();
  } catch (const EConvertError& Error) {
    EXPECT_EQ(Error.Message(), u"Cannot assign a TLabel to a TStringList");
  }
}
