// TForm: a top-level window laid out at 96 dots per inch, its first size its smallest.
#pragma once

#include <QWidget>

#include "runtime/String.h"
#include "widgets/ControlEvent.h"

namespace cantrel {

class TMainMenu;

// A top-level window with a sizeable border, a title bar with the system
// menu and the minimise and maximise boxes, and an optional menu bar across
// its top. Its client area, below the menu bar, is laid out in pixels at 96
// dots per inch; the font is the desktop's, at 8 points.
class TForm : public QWidget {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::String Caption READ Caption WRITE SetCaption)

public:
  explicit TForm(QWidget* Parent = nullptr);

  String Caption() const;
  void SetCaption(const String& Value);
  // Puts a menu bar across the top of the window, above the client area.
  // A menu bar the desktop shows outside the window takes no room.
  void SetMenu(TMainMenu* Value);
  TMainMenu* Menu() const { return FMenu; }
  // The client area's first and smallest size, given at 96 dots per inch.
  void SetClientSize(int Width, int Height);
  // The client area in the window's pixels: below the menu bar.
  QRect ClientRect() const;
  // The window's size for a client area of Width and Height at 96 dots per
  // inch.
  QSize SizeForClient(int Width, int Height) const;

  // Runs whenever the window's size changes, after the menu bar has been
  // laid out.
  TControlEvent OnResize;

protected:
  void resizeEvent(QResizeEvent* Event) override;

private:
  int MenuHeight() const;

  TMainMenu* FMenu = nullptr;
};

}  // namespace cantrel
