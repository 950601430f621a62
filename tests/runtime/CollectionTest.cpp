#include <gtest/gtest.h>

#include "runtime/Collection.h"
#include "runtime/Exceptions.h"

using namespace cantrel;

namespace {

class TPanel : public TCollectionItem {
  CANTREL_DECLARE_CLASS();

public:
  using TCollectionItem::TCollectionItem;

  String Text() const { return FText; }
  void SetText(const String& Value) {
    FText = Value;
    Changed();
  }

  void Assign(const TPersistent& Source) override {
    if (const auto* Panel = dynamic_cast<const TPanel*>(&Source)) return SetText(Panel->FText);
    TCollectionItem::Assign(Source);
  }

private:
  String FText;
};

const TClassInfo& TPanel::StaticClass() {
  static const TClassInfo Info(u"TPanel", &TCollectionItem::StaticClass(),
                               {StringProperty<TPanel>(u"Text", &TPanel::Text, &TPanel::SetText)});
  return Info;
}

const TClassInfo& TPanel::ClassType() const { return StaticClass(); }

// Counts the announcements a status bar would redraw on.
class TPanels : public TCollection {
public:
  TPanels() : TCollection(ItemClass<TPanel>()) {}

  TPanel* Panel(int Index) const { return static_cast<TPanel*>(Items(Index)); }
  std::vector<TCollectionItem*> Updates;

protected:
  void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
};

std::vector<String> Texts(const TPanels& Panels) {
  std::vector<String> Result;
  for (int I = 0; I < Panels.Count(); ++I) Result.push_back(Panels.Panel(I)->Text());
  return Result;
}

}  // namespace

TEST(CollectionTest, ItemsKeepTheirOrderAndBelongToTheCollection) {
  TPanels Panels;
  static_cast<TPanel*>(Panels.Add())->SetText(u"files");
  static_cast<TPanel*>(Panels.Add())->SetText(u"folders");
  static_cast<TPanel*>(Panels.Insert(0))->SetText(u"state");
  EXPECT_EQ(Texts(Panels), std::vector<String>({u"state", u"files", u"folders"}));
  EXPECT_EQ(Panels.Panel(2)->Index(), 2);
  EXPECT_EQ(Panels.Panel(2)->Collection(), &Panels);

  Panels.Panel(2)->SetIndex(0);
  EXPECT_EQ(Texts(Panels), std::vector<String>({u"folders", u"state", u"files"}));
  Panels.Delete(1);
  EXPECT_EQ(Texts(Panels), std::vector<String>({u"folders", u"files"}));
  delete Panels.Items(0);  // an item freed on its own leaves the collection
  EXPECT_EQ(Texts(Panels), std::vector<String>({u"files"}));

  try {
    Panels.Items(1);
    FAIL();
  } catch (const EListError& Error) {
    EXPECT_EQ(Error.Message(), u"List index out of bounds (1)");
  }
  EXPECT_THROW(Panels.Insert(3), EListError);

  TPanel Loose;
  EXPECT_EQ(Loose.Index(), -1);
  Loose.SetCollection(&Panels);
  EXPECT_EQ(Panels.Count(), 2);
  Loose.SetCollection(nullptr);
  EXPECT_EQ(Panels.Count(), 1);
}

TEST(CollectionTest, ChangesAreAnnouncedOnceInsideAnUpdate) {
  TPanels Panels;
  auto* First = static_cast<TPanel*>(Panels.Add());
  First->SetText(u"a");
  EXPECT_EQ(Panels.Updates, std::vector<TCollectionItem*>({nullptr, First}));

  Panels.Updates.clear();
  Panels.BeginUpdate();
  Panels.Add();
  First->SetText(u"b");
  EXPECT_TRUE(Panels.Updates.empty());
  Panels.EndUpdate();
  EXPECT_EQ(Panels.Updates, std::vector<TCollectionItem*>({nullptr}));
}

TEST(CollectionTest, AssignCopiesEveryItem) {
  TPanels Source;
  static_cast<TPanel*>(Source.Add())->SetText(u"one");
  static_cast<TPanel*>(Source.Add())->SetText(u"two");
  TPanels Dest;
  Dest.Add();
  Dest.Assign(Source);
  EXPECT_EQ(Texts(Dest), std::vector<String>({u"one", u"two"}));
  EXPECT_NE(Dest.Items(0), Source.Items(0));
  EXPECT_EQ(std::get<String>(Dest.Items(1)->GetPropValue(u"text")), u"two");
  Dest.SetPropName(u"Panels");
  EXPECT_EQ(std::get<String>(Dest.GetPropValue(u"PropName")), u"Panels");
}
