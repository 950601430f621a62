// TComboBox and its items as a string list.
#include "widgets/ComboBox.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace cantrel {

namespace {

constexpr int ObjectRole = Qt::UserRole;

}  // namespace

TComboBoxStrings::TComboBoxStrings(QComboBox& Combo) : TWidgetStrings(Combo), FCombo(Combo) {}

int TComboBoxStrings::Count() const { return FCombo.count(); }

String TComboBoxStrings::Get(int Index) const {
  CheckIndex(Index, Count() - 1);
  return FCombo.itemText(Index).toStdU16String();
}

void TComboBoxStrings::Put(int Index, const String& S) {
  CheckIndex(Index, Count() - 1);
  FCombo.setItemText(Index, QString::fromStdU16String(S));
}

TObject* TComboBoxStrings::GetObject(int Index) const {
  CheckIndex(Index, Count() - 1);
  return static_cast<TObject*>(FCombo.itemData(Index, ObjectRole).value<void*>());
}

void TComboBoxStrings::PutObject(int Index, TObject* Object) {
  CheckIndex(Index, Count() - 1);
  FCombo.setItemData(Index, QVariant::fromValue(static_cast<void*>(Object)), ObjectRole);
}

void TComboBoxStrings::Insert(int Index, const String& S) {
  CheckIndex(Index, Count());
  // Qt selects the first item put into an empty list; the selection is the
  // program's to make.
  const QSignalBlocker Blocker(FCombo);
  const int Selected = FCombo.currentIndex();
  const QString Typed = FCombo.currentText();
  FCombo.insertItem(Index, QString::fromStdU16String(S));
  if (Selected < 0) FCombo.setCurrentIndex(-1);
  if (FCombo.isEditable()) FCombo.setEditText(Typed);
}

void TComboBoxStrings::Delete(int Index) {
  CheckIndex(Index, Count() - 1);
  FCombo.removeItem(Index);
}

void TComboBoxStrings::Clear() { FCombo.clear(); }

void TComboBoxStrings::SetUpdateState(bool Updating) {
  if (Updating) {
    FKeptCount = FCombo.count();
    FKeptIndex = FCombo.currentIndex();
    FKeptText = FCombo.currentText();
    return;
  }
  const QSignalBlocker Blocker(FCombo);
  FCombo.setCurrentIndex(FCombo.count() == FKeptCount ? FKeptIndex : -1);
  if (FCombo.isEditable()) FCombo.setEditText(FKeptText);
}

TComboBox::TComboBox(QWidget* Parent, TComboBoxStyle Style)
    : QComboBox(Parent), FItems(std::make_unique<TComboBoxStrings>(*this)) {
  setEditable(Style == csDropDown);
  setInsertPolicy(QComboBox::NoInsert);
  connect(this, &QComboBox::activated, this, [this] { FireEvent(OnChange, *this); });
  if (QLineEdit* Edit = lineEdit()) connect(Edit, &QLineEdit::textEdited, this, [this] { FireEvent(OnChange, *this); });
}

String TComboBox::Text() const { return currentText().toStdU16String(); }

void TComboBox::SetText(const String& Value) {
  const QString Text = QString::fromStdU16String(Value);
  if (isEditable())
    setEditText(Text);
  else if (const int Index = findText(Text, Qt::MatchExactly); Index >= 0)
    setCurrentIndex(Index);
}

}  // namespace cantrel
