// TMainMenu and TMenuItem: the menu bar above a form's client area and its items.
#pragma once

#include <QAction>
#include <QMenuBar>
#include <QPointer>

#include "runtime/String.h"
#include "widgets/ControlEvent.h"

class QMenu;

namespace cantrel {

// A window's menu bar (TForm::SetMenu). Its items are the menus; a menu
// that holds no item is not shown, so a menu whose items other parts add
// shows up with its first item.
class TMainMenu : public QMenuBar {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")

public:
  explicit TMainMenu(QWidget* Parent = nullptr);
};

// An item of a menu: a command, a check item, or, made on the menu bar, a
// menu of its own. An item is made with its menu as its owner (a TMainMenu
// or another TMenuItem) and takes its place at the menu's end. Its caption
// may mark its mnemonic with "&".
class TMenuItem : public QAction {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::String Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)

public:
  explicit TMenuItem(QObject* Parent);
  ~TMenuItem() override;

  String Caption() const;
  void SetCaption(const String& Value);
  // A check item: each choice ticks or clears it, and then runs OnClick.
  void SetAutoCheck(bool Value) { setCheckable(Value); }
  bool Checked() const { return isChecked(); }
  void SetChecked(bool Value) { setChecked(Value); }
  // The keys that choose the item wherever the focus is in its window; a
  // disabled item takes none.
  void SetShortCut(const QKeySequence& Value) { setShortcut(Value); }

  // Runs when the user chooses the item.
  TControlEvent OnClick;

private:
  void Add(TMenuItem& Item);

  // The menu of the items made with this one as their owner.
  QPointer<QMenu> FItems;
};

}  // namespace cantrel
