#include "widgets/StdControls.h"

namespace cantrel {

TButton::TButton(QWidget* Parent) : QPushButton(Parent) {
  connect(this, &QPushButton::clicked, this, [this] { FireEvent(OnClick, *this); });
}

String TButton::Caption() const { return text().toStdU16String(); }

void TButton::SetCaption(const String& Value) { setText(QString::fromStdU16String(Value)); }

TCheckBox::TCheckBox(QWidget* Parent) : QCheckBox(Parent) {
  connect(this, &QCheckBox::toggled, this, [this] { FireEvent(OnClick, *this); });
}

String TCheckBox::Caption() const { return text().toStdU16String(); }

void TCheckBox::SetCaption(const String& Value) { setText(QString::fromStdU16String(Value)); }

void TCheckBox::SetCaptionLeft(bool Value) { setLayoutDirection(Value ? Qt::RightToLeft : Qt::LeftToRight); }

TGroupBox::TGroupBox(QWidget* Parent) : QGroupBox(Parent) {}

String TGroupBox::Caption() const { return title().toStdU16String(); }

void TGroupBox::SetCaption(const String& Value) { setTitle(QString::fromStdU16String(Value)); }

}  // namespace cantrel
