// TButton, TCheckBox and TGroupBox on Qt's widgets.
#include "widgets/StdControls.h"

#include <QEvent>
#include <QFontMetrics>
#include <QStyleOptionButton>

#include "widgets/Geometry.h"

namespace cantrel {

namespace {

bool ChangesRoom(const QEvent& Event) {
  return Event.type() == QEvent::FontChange || Event.type() == QEvent::StyleChange ||
         Event.type() == QEvent::LayoutDirectionChange;
}

// The room of a caption inside the part of the control its style gives it.
int CaptionRoom(const QAbstractButton& Control, QStyle::SubElement Contents, int Margins) {
  QStyleOptionButton Option;
  Option.initFrom(&Control);
  Option.text = Control.text();
  return Control.style()->subElementRect(Contents, &Option, &Control).width() - Margins;
}

// Room for the focus frame around a caption.
constexpr int CaptionMargins = 4;

// The width the style gives a control of this kind around its caption in
// the control's font before any condensing.
int NaturalWidth(const QAbstractButton& Control, QStyle::ContentsType Type, const QStyleOptionButton& Option) {
  QFont Natural = Control.font();
  Natural.setStretch(QFont::Unstretched);
  const QSize Caption = QFontMetrics(Natural).size(Qt::TextShowMnemonic, Control.text());
  return Control.style()->sizeFromContents(Type, &Option, Caption, &Control).width();
}

}  // namespace

TButton::TButton(QWidget* Parent) : QPushButton(Parent) {
  connect(this, &QPushButton::clicked, this, [this] { FireEvent(OnClick, *this); });
}

String TButton::Caption() const { return text().toStdU16String(); }

void TButton::SetCaption(const String& Value) {
  setText(QString::fromStdU16String(Value));
  FitCaption();
}

int TButton::NaturalWidth() const {
  QStyleOptionButton Option;
  initStyleOption(&Option);
  return cantrel::NaturalWidth(*this, QStyle::CT_PushButton, Option);
}

void TButton::resizeEvent(QResizeEvent* Event) {
  QPushButton::resizeEvent(Event);
  FitCaption();
}

void TButton::changeEvent(QEvent* Event) {
  QPushButton::changeEvent(Event);
  if (ChangesRoom(*Event)) FitCaption();
}

void TButton::FitCaption() {
  CondenseToFit(*this, text(), CaptionRoom(*this, QStyle::SE_PushButtonContents, CaptionMargins));
}

TCheckBox::TCheckBox(QWidget* Parent) : QCheckBox(Parent) {
  connect(this, &QCheckBox::toggled, this, [this] { FireEvent(OnClick, *this); });
}

String TCheckBox::Caption() const { return text().toStdU16String(); }

void TCheckBox::SetCaption(const String& Value) {
  setText(QString::fromStdU16String(Value));
  FitCaption();
}

void TCheckBox::SetCaptionLeft(bool Value) { setLayoutDirection(Value ? Qt::RightToLeft : Qt::LeftToRight); }

int TCheckBox::NaturalWidth() const {
  QStyleOptionButton Option;
  initStyleOption(&Option);
  return cantrel::NaturalWidth(*this, QStyle::CT_CheckBox, Option);
}

void TCheckBox::resizeEvent(QResizeEvent* Event) {
  QCheckBox::resizeEvent(Event);
  FitCaption();
}

void TCheckBox::changeEvent(QEvent* Event) {
  QCheckBox::changeEvent(Event);
  if (ChangesRoom(*Event)) FitCaption();
}

void TCheckBox::FitCaption() {
  CondenseToFit(*this, text(), CaptionRoom(*this, QStyle::SE_CheckBoxContents, CaptionMargins));
}

TGroupBox::TGroupBox(QWidget* Parent) : QGroupBox(Parent) {}

String TGroupBox::Caption() const { return title().toStdU16String(); }

void TGroupBox::SetCaption(const String& Value) { setTitle(QString::fromStdU16String(Value)); }

}  // namespace cantrel
