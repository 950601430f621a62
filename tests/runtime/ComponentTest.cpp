#include <gtest/gtest.h>

#include <vector>

#include "runtime/Component.h"

using namespace cantrel;

namespace {

// Records its own destruction, so tests can see who freed what and when.
class TTracedComponent : public TComponent {
public:
  TTracedComponent(TComponent* AOwner, const String& AName, std::vector<String>& Log)
      : TComponent(AOwner), FLog(Log) {
    SetName(AName);
  }
  ~TTracedComponent() override { FLog.push_back(Name()); }

private:
  std::vector<String>& FLog;
};

}  // namespace

TEST(ComponentTest, OwnerKeepsFindsAndFreesItsComponents) {
  std::vector<String> Freed;
  {
    TComponent Form;
    Form.SetName(u"MainForm");
    auto* Find = new TTracedComponent(&Form, u"btnFind", Freed);
    auto* Make = new TTracedComponent(&Form, u"btnMake", Freed);
    auto* Inner = new TTracedComponent(Make, u"Inner", Freed);
    ASSERT_EQ(Form.ComponentCount(), 2);
    EXPECT_EQ(Form.Components(0), Find);
    EXPECT_EQ(Form.Components(1), Make);
    EXPECT_EQ(Find->Owner(), &Form);
    EXPECT_EQ(Form.FindComponent(u"BTNMAKE"), Make);
    EXPECT_EQ(Form.FindComponent(u"Inner"), nullptr);  // only directly owned ones
    EXPECT_EQ(Make->FindComponent(u"inner"), Inner);
    EXPECT_EQ(Form.FindComponent(u""), nullptr);
    EXPECT_THROW(Form.Components(2), EListError);

    delete Find;  // leaves its owner
    ASSERT_EQ(Form.ComponentCount(), 1);
    EXPECT_EQ(Form.Components(0), Make);
    EXPECT_EQ(Freed, std::vector<String>({u"btnFind"}));
  }
  // A component's own destructor runs before it frees what it owns.
  EXPECT_EQ(Freed, std::vector<String>({u"btnFind", u"btnMake", u"Inner"}));
}

TEST(ComponentTest, InsertMovesBetweenOwnersAndNamesStayUnique) {
  std::vector<String> Freed;
  TComponent First;
  TComponent Second;
  auto* Button = new TTracedComponent(&First, u"Button", Freed);
  new TTracedComponent(&Second, u"Other", Freed);

  Second.InsertComponent(*Button);
  EXPECT_EQ(First.ComponentCount(), 0);
  ASSERT_EQ(Second.ComponentCount(), 2);
  EXPECT_EQ(Second.Components(1), Button);
  EXPECT_EQ(Button->Owner(), &Second);

  try {
    Button->SetName(u"other");
    FAIL();
  } catch (const EComponentError& Error) {
    EXPECT_EQ(Error.Message(), u"A component named other already exists");
  }
  EXPECT_EQ(Button->Name(), u"Button");
  Button->SetName(u"BUTTON");  // renaming itself is no clash
  EXPECT_EQ(Button->Name(), u"BUTTON");

  // A clash on insertion leaves the component where it was.
  TTracedComponent Loose(nullptr, u"Other", Freed);
  EXPECT_THROW(Second.InsertComponent(Loose), EComponentError);
  EXPECT_EQ(Loose.Owner(), nullptr);
  EXPECT_EQ(Second.ComponentCount(), 2);

  Second.RemoveComponent(*Button);
  EXPECT_EQ(Button->Owner(), nullptr);
  EXPECT_EQ(Second.ComponentCount(), 1);
  delete Button;
  EXPECT_EQ(Freed, std::vector<String>({u"BUTTON"}));
}

TEST(ComponentTest, NameIsAPublishedTextProperty) {
  TComponent Owner;
  auto* Child = new TComponent(&Owner);
  EXPECT_TRUE(Child->SetPropValue(u"Name", String(u"chkFindRecursion")));
  EXPECT_EQ(Owner.FindComponent(u"chkFindRecursion"), Child);
  const TPropInfo* Name = TComponent::StaticClass().FindProperty(u"name");
  ASSERT_NE(Name, nullptr);
  EXPECT_EQ(Name->Kind, TTypeKind::tkUString);
  EXPECT_TRUE(Child->InheritsFrom(TPersistent::StaticClass()));
}
