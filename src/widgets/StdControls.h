// TButton, TCheckBox and TGroupBox on Qt's widgets.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

#include "runtime/String.h"
#include "widgets/ControlEvent.h"

namespace cantrel {

// A caption wider than a button or check box is condensed to fit. Each
// tells the width in which its caption needs no condensing.
class TButton : public QPushButton {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::String Caption READ Caption WRITE SetCaption)

public:
  explicit TButton(QWidget* Parent = nullptr);

  String Caption() const;
  void SetCaption(const String& Value);
  // The width the style gives the button with its caption in the font it
  // inherits.
  int NaturalWidth() const;

  // Runs when the button is pressed.
  TControlEvent OnClick;

protected:
  void resizeEvent(QResizeEvent* Event) override;
  void changeEvent(QEvent* Event) override;

private:
  void FitCaption();
};

class TCheckBox : public QCheckBox {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::String Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)

public:
  explicit TCheckBox(QWidget* Parent = nullptr);

  String Caption() const;
  void SetCaption(const String& Value);
  bool Checked() const { return isChecked(); }
  void SetChecked(bool Value) { setChecked(Value); }
  // Puts the caption to the left of the box instead of the right.
  void SetCaptionLeft(bool Value);
  // The width the style gives the box with its caption in the font it
  // inherits.
  int NaturalWidth() const;

  // Runs whenever the box changes between ticked and clear, by the user or
  // from code; setting it to what it is already runs nothing.
  TControlEvent OnClick;

protected:
  void resizeEvent(QResizeEvent* Event) override;
  void changeEvent(QEvent* Event) override;

private:
  void FitCaption();
};

class TGroupBox : public QGroupBox {
  Q_OBJECT
  Q_CLASSINFO("BaseClass", "TComponent")
  Q_PROPERTY(cantrel::String Caption READ Caption WRITE SetCaption)

public:
  explicit TGroupBox(QWidget* Parent = nullptr);

  String Caption() const;
  void SetCaption(const String& Value);
};

}  // namespace cantrel
