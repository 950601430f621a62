// TMainMenu and TMenuItem: the menu bar above a form's client area and its items.
#include "widgets/Menus.h"

#include <QMenu>

namespace cantrel {

namespace {

// The widget a menu of Item's opens from: the menu bar it lies on, at any
// depth.
QWidget* MenuBarOf(const QObject& Item) {
  QObject* Owner = Item.parent();
  while (Owner && !Owner->isWidgetType()) Owner = Owner->parent();
  return static_cast<QWidget*>(Owner);
}

}  // namespace

TMainMenu::TMainMenu(QWidget* Parent) : QMenuBar(Parent) {}

TMenuItem::TMenuItem(QObject* Parent) : QAction(Parent) {
  connect(this, &QAction::triggered, this, [this] { FireEvent(OnClick, *this); });
  if (auto* Bar = qobject_cast<TMainMenu*>(Parent)) {
    // A menu shows up with its first item.
    setVisible(false);
    Bar->addAction(this);
  } else if (auto* Menu = qobject_cast<TMenuItem*>(Parent)) {
    Menu->Add(*this);
  }
}

TMenuItem::~TMenuItem() { delete FItems; }

String TMenuItem::Caption() const { return text().toStdU16String(); }

void TMenuItem::SetCaption(const String& Value) { setText(QString::fromStdU16String(Value)); }

void TMenuItem::Add(TMenuItem& Item) {
  if (!FItems) {
    FItems = new QMenu(MenuBarOf(*this));
    setMenu(FItems.data());
  }
  FItems->addAction(&Item);
  setVisible(true);
}

}  // namespace cantrel
