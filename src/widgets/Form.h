// TForm: a top-level window of fixed size laid out at 96 dots per inch.
#pragma once

#include <QWidget>

#include "runtime/String.h"

namespace cantrel {

// A top-level window with a fixed border and a title bar with the system
// menu and the minimise box (no maximise box). Its client area is laid out
// in pixels at 96 dots per inch; the font is the desktop's, at 8 points.
class TForm : public QWidget {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::String Caption READ Caption WRITE SetCaption)

public:
  explicit TForm(QWidget* Parent = nullptr);

  String Caption() const;
  void SetCaption(const String& Value);
  // Fixes the client area's size, given at 96 dots per inch.
  void SetClientSize(int Width, int Height);
};

}  // namespace cantrel
