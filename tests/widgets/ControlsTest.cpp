#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyleOptionButton>
#include <QTest>

#include "runtime/Exceptions.h"
#include "widgets/ComboBox.h"
#include "widgets/Form.h"
#include "widgets/Geometry.h"
#include "widgets/Memo.h"
#include "widgets/MessageDialog.h"
#include "widgets/QtObjectAdapter.h"
#include "widgets/StatusBar.h"
#include "widgets/StdControls.h"

using namespace cantrel;

TEST(ComboBoxTest, ItemsAreTheWidgetsAndOnlyTheUserRaisesChange) {
  TComboBox List(nullptr, TComboBox::csDropDownList);
  int Changes = 0;
  List.OnChange = [&](QObject& Sender) {
    EXPECT_EQ(&Sender, &List);
    ++Changes;
  };
  TPersistent Tag;
  for (const char16_t* Item : {u"a", u"b", u"c"}) List.Items()->Add(Item);
  List.Items()->PutObject(1, &Tag);
  EXPECT_EQ(List.count(), 3);
  EXPECT_EQ(List.itemText(2), "c");
  EXPECT_EQ(List.ItemIndex(), -1);  // adding items selects none
  EXPECT_EQ(List.Items()->GetObject(1), &Tag);
  EXPECT_THROW(List.Items()->Get(3), EStringListError);

  List.SetItemIndex(1);
  List.SetText(u"c");
  EXPECT_EQ(List.ItemIndex(), 2);
  List.SetText(u"not listed");
  EXPECT_EQ(List.ItemIndex(), 2);
  // Replacing every item in one update keeps the selection.
  TStringList Other;
  Other.SetText(u"x\ny\nz\n");
  List.Items()->Assign(Other);
  EXPECT_EQ(List.Text(), u"z");
  EXPECT_EQ(Changes, 0);

  List.show();
  QTest::keyClick(&List, Qt::Key_Up);
  EXPECT_EQ(List.Text(), u"y");
  EXPECT_EQ(Changes, 1);

  TComboBox Edit(nullptr, TComboBox::csDropDown);
  Edit.OnChange = [&](QObject&) { ++Changes; };
  Edit.SetText(u"name");
  for (const char16_t* Item : {u"playall.m3u", u"%album%.m3u"}) Edit.Items()->Add(Item);
  Edit.Items()->Put(0, u"play.m3u");
  EXPECT_EQ(Edit.Text(), u"name");  // the typed text stays
  Edit.show();
  QTest::keyClicks(Edit.lineEdit(), "s");
  EXPECT_EQ(Edit.Text(), u"names");
  EXPECT_EQ(Changes, 2);
}

TEST(MemoTest, LinesStayExactWhileAppendsAreBatched) {
  TMemo Memo;
  TMemoStrings& Lines = *Memo.Lines();
  EXPECT_EQ(Memo.lineWrapMode(), QPlainTextEdit::NoWrap);
  for (int I = 0; I < 1000; ++I) Lines.Add(u"line " + IntToStr(I));
  Lines.Add(u"");
  EXPECT_EQ(Lines.Count(), 1001);
  EXPECT_EQ(Lines[999], u"line 999");
  EXPECT_EQ(Lines[1000], u"");
  EXPECT_TRUE(Memo.toPlainText().isEmpty());  // still waiting to go in together
  // First what the editor has room to show, the rest once lines stop coming.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Memo.toPlainText().isEmpty(); }));
  EXPECT_LT(Memo.document()->blockCount(), 100);
  EXPECT_EQ(Lines[999], u"line 999");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Memo.document()->blockCount() == 1002; }));
  EXPECT_EQ(Lines.Count(), 1001);

  Lines.Add(u"pending");
  Lines.Insert(1, u"inserted");  // anything but an append writes pending lines first
  Lines.Delete(0);
  Lines.Put(0, u"first");
  EXPECT_EQ(Lines.Count(), 1002);
  EXPECT_EQ(Lines[0], u"first");
  EXPECT_EQ(Lines[1], u"line 1");
  EXPECT_EQ(Lines[1001], u"pending");
  EXPECT_TRUE(Memo.toPlainText().endsWith("line 999\n\npending\n"));

  // A last line typed without a break.
  Memo.setPlainText("typed");
  EXPECT_EQ(Lines.Count(), 1);
  Lines.Add(u"next");
  EXPECT_EQ(Lines.Text(), u"typed\nnext\n");
  Lines.Flush();
  EXPECT_EQ(Memo.toPlainText(), "typed\nnext\n");
  Lines.Delete(1);
  EXPECT_EQ(Memo.toPlainText(), "typed\n");
  Lines.Clear();
  EXPECT_EQ(Lines.Count(), 0);
  Lines.Add(u"");
  EXPECT_EQ(Lines.Count(), 1);
}

TEST(StatusBarTest, PanelsSitSideBySideAtTheirWidthsAndTheBarTakesControls) {
  TForm Form;
  Form.SetClientSize(434, 231);
  EXPECT_EQ(Form.width(), ScaledPixels(Form, 434));
  auto* Bar = new TStatusBarEx(&Form);
  SetBounds(*Bar, 0, 212, 434, 19);
  const struct {
    int Width;
    TStatusPanel::TAlignment Alignment;
    TStatusPanel::TStatusPanelBevel Bevel;
  } Panels[] = {{100, TStatusPanel::taLeftJustify, TStatusPanel::pbLowered},
                {120, TStatusPanel::taCenter, TStatusPanel::pbLowered},
                {240, TStatusPanel::taRightJustify, TStatusPanel::pbNone}};
  for (const auto& Wanted : Panels) {
    TStatusPanel* Panel = Bar->Panels()->Add();
    Panel->SetWidth(Wanted.Width);
    Panel->SetAlignment(Wanted.Alignment);
    Panel->SetBevel(Wanted.Bevel);
  }
  Bar->Panels()->Items(2)->SetText(u"Searching");
  EXPECT_FALSE(Bar->isSizeGripEnabled());

  const auto Labels = Bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  ASSERT_EQ(Labels.size(), 3);
  EXPECT_EQ(Labels[1]->geometry(), QRect(ScaledPixels(Form, 100), 0, ScaledPixels(Form, 120), Bar->height()));
  EXPECT_EQ(Labels[2]->x() + Labels[2]->width(), Bar->width());  // ends at the bar's edge, text in sight
  EXPECT_EQ(Labels[1]->alignment(), Qt::AlignCenter);
  EXPECT_EQ(Labels[2]->alignment(), Qt::AlignRight | Qt::AlignVCenter);
  EXPECT_EQ(Labels[0]->frameStyle(), QFrame::Panel | QFrame::Sunken);
  EXPECT_EQ(Labels[2]->frameStyle(), QFrame::NoFrame);
  EXPECT_EQ(Labels[2]->text(), "Searching");
  // A text changing faster than anyone reads is drawn a moment later.
  Bar->Panels()->Items(2)->SetText(u"Processing /a/");
  Bar->Panels()->Items(2)->SetText(u"Processing /b/");
  EXPECT_EQ(Bar->Panels()->Items(2)->Text(), u"Processing /b/");
  EXPECT_EQ(Labels[2]->text(), "Searching");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Labels[2]->text() == "Processing /b/"; }));

  auto* OnBar = new TButton(Bar);
  OnBar->setObjectName("btnOnBar");
  SetBounds(*OnBar, 2, 2, 20, 15);
  EXPECT_EQ(OnBar->geometry(),
            QRect(ScaledPixels(Form, 2), ScaledPixels(Form, 2), ScaledPixels(Form, 20), ScaledPixels(Form, 15)));
  const TObjectHandle Handle = ObjectHandle(*Bar);
  ASSERT_EQ(Handle.Components().size(), 1u);
  EXPECT_EQ(Handle.Components()[0].Name(), u"btnOnBar");
  EXPECT_EQ(ObjectHandle(*Bar->Panels()).CollectionItems().size(), 3u);
}

TEST(CheckBoxTest, TheCaptionMayStandLeftAndEveryChangeClicks) {
  TCheckBox Box;
  Box.SetCaption(u"UTF8BOM");
  int Clicks = 0;
  Box.OnClick = [&](QObject&) { ++Clicks; };
  Box.SetChecked(false);
  EXPECT_EQ(Clicks, 0);
  Box.SetChecked(true);
  EXPECT_EQ(Clicks, 1);

  Box.SetCaptionLeft(true);
  QStyleOptionButton Option;
  Option.initFrom(&Box);
  Option.text = Box.text();
  const QRect Indicator = Box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &Option, &Box);
  const QRect Caption = Box.style()->subElementRect(QStyle::SE_CheckBoxContents, &Option, &Box);
  EXPECT_GT(Indicator.left(), Caption.left());

  // A caption wider than the box is narrowed to fit; one that fits is not.
  Box.resize(Box.sizeHint());
  EXPECT_EQ(Box.font().stretch(), QFont::AnyStretch);
  Box.resize(Box.sizeHint().width() - 8, Box.sizeHint().height());
  EXPECT_LT(Box.font().stretch(), QFont::Unstretched);
  Box.SetCaption(u"U");
  EXPECT_EQ(Box.font().stretch(), QFont::AnyStretch);
}

TEST(MessageDialogTest, AThousandLinesStaySmallerThanTheScreenAndAllCanBeRead) {
  String Text;
  for (int I = 0; I < 5000; ++I) Text += u"Left out of \"/music/a.m3u\": \"line " + IntToStr(I) + u"\"\n";
  Text.pop_back();
  const auto Dialog = MakeMessageDialog(Text, u"Cantrel", TMessageBoxIcon::miWarning);
  EXPECT_LT(Dialog->sizeHint().height(), QGuiApplication::primaryScreen()->availableGeometry().height());
  EXPECT_EQ(Dialog->detailedText().toStdU16String(), Text);
  EXPECT_TRUE(Dialog->text().startsWith(u"Left out of \"/music/a.m3u\": \"line 0\""));

  const auto Short = MakeMessageDialog(u"Cannot create file \"a.m3u\". Permission denied", u"Cantrel",
                                       TMessageBoxIcon::miError);
  EXPECT_EQ(Short->text().toStdU16String(), u"Cannot create file \"a.m3u\". Permission denied");
  EXPECT_TRUE(Short->detailedText().isEmpty());
  EXPECT_EQ(Short->windowTitle().toStdU16String(), u"Cantrel");
}
