// TComboBox and its items as a string list.
#pragma once

#include <QComboBox>
#include <memory>

#include "runtime/Strings.h"
#include "widgets/ControlEvent.h"
#include "widgets/WidgetStrings.h"

namespace cantrel {

// The items of a combo box as a string list. Lines may carry objects.
// Between BeginUpdate and EndUpdate the selection is kept: the same index
// when the number of items stayed, and an editable box's text.
class TComboBoxStrings : public TWidgetStrings {
public:
  explicit TComboBoxStrings(QComboBox& Combo);

  int Count() const override;
  String Get(int Index) const override;
  void Put(int Index, const String& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* Object) override;
  void Insert(int Index, const String& S) override;
  void Delete(int Index) override;
  void Clear() override;

protected:
  void SetUpdateState(bool Updating) override;

private:
  QComboBox& FCombo;
  int FKeptCount = 0;
  int FKeptIndex = -1;
  QString FKeptText;
};

// A combo box: a drop-down list to choose from, or an edit field with a
// list of suggestions. Items added from code leave the selection as it is.
class TComboBox : public QComboBox {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::TStrings* Items READ Items)
  Q_PROPERTY(cantrel::String Text READ Text WRITE SetText)
  Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)

public:
  enum TComboBoxStyle { csDropDown, csDropDownList };
  Q_ENUM(TComboBoxStyle)

  explicit TComboBox(QWidget* Parent = nullptr, TComboBoxStyle Style = csDropDown);

  TStrings* Items() const { return FItems.get(); }
  // The edit field's text, or the selected item's in a drop-down list.
  String Text() const;
  // A drop-down list selects the item of that text; a text it does not
  // hold changes nothing.
  void SetText(const String& Value);
  int ItemIndex() const { return currentIndex(); }
  void SetItemIndex(int Value) { setCurrentIndex(Value); }

  // Runs when the user chooses an item or types; never for changes made
  // from code.
  TControlEvent OnChange;

private:
  std::unique_ptr<TComboBoxStrings> FItems;
};

}  // namespace cantrel
