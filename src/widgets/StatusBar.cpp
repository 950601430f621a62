// TStatusBar and its panels.
#include "widgets/StatusBar.h"

#include <algorithm>

#include "widgets/Geometry.h"

namespace cantrel {

namespace {

// How long a panel's label keeps a text before it shows a newer one.
constexpr int ShowIntervalMs = 50;

Qt::Alignment QtAlignment(TStatusPanel::TAlignment Alignment) {
  switch (Alignment) {
    case TStatusPanel::taRightJustify:
      return Qt::AlignRight | Qt::AlignVCenter;
    case TStatusPanel::taCenter:
      return Qt::AlignCenter;
    case TStatusPanel::taLeftJustify:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

int FrameStyle(TStatusPanel::TStatusPanelBevel Bevel) {
  switch (Bevel) {
    case TStatusPanel::pbLowered:
      return QFrame::Panel | QFrame::Sunken;
    case TStatusPanel::pbRaised:
      return QFrame::Panel | QFrame::Raised;
    case TStatusPanel::pbNone:
      break;
  }
  return QFrame::NoFrame;
}

}  // namespace

TStatusPanel::TStatusPanel(QObject& Panels, QWidget& Bar) : QObject(&Panels), FLabel(new QLabel(&Bar)) {
  FLabel->setTextFormat(Qt::PlainText);
  FLabel->setAlignment(QtAlignment(FAlignment));
  FLabel->setFrameStyle(FrameStyle(FBevel));
  FLabel->show();
  FShowTimer.setSingleShot(true);
  FShowTimer.setInterval(ShowIntervalMs);
  connect(&FShowTimer, &QTimer::timeout, this, [this] {
    if (FShowPending) ShowText();
  });
}

TStatusPanel::~TStatusPanel() { delete FLabel; }

void TStatusPanel::SetText(const String& Value) {
  FText = Value;
  if (FShowTimer.isActive())
    FShowPending = true;
  else
    ShowText();
}

void TStatusPanel::ShowText() {
  FShowPending = false;
  if (FLabel) {
    const QString Text = QString::fromStdU16String(FText);
    FLabel->setText(Text);
    // A text wider than its panel is cut; its tooltip holds the whole.
    FLabel->setToolTip(Text);
  }
  FShowTimer.start();
}

void TStatusPanel::SetWidth(int Value) {
  FWidth = Value;
  emit LayoutChanged();
}

void TStatusPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  if (FLabel) FLabel->setAlignment(QtAlignment(Value));
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
  FBevel = Value;
  if (FLabel) FLabel->setFrameStyle(FrameStyle(Value));
}

TStatusPanels::TStatusPanels(QWidget& Bar) : QObject(&Bar), FBar(Bar) {}

TStatusPanel* TStatusPanels::Add() {
  auto* Panel = new TStatusPanel(*this, FBar);
  FItems.push_back(Panel);
  connect(Panel, &TStatusPanel::LayoutChanged, this, &TStatusPanels::LayoutPanels);
  LayoutPanels();
  return Panel;
}

void TStatusPanels::LayoutPanels() {
  int Left = 0;
  for (TStatusPanel* Panel : FItems) {
    const int Room = std::max(FBar.width() - Left, 0);
    const int Width = Panel == FItems.back() ? Room : std::min(ScaledPixels(FBar, Panel->Width()), Room);
    if (QLabel* Label = Panel->Label()) Label->setGeometry(Left, 0, Width, FBar.height());
    Left += Width;
  }
}

TStatusBar::TStatusBar(QWidget* Parent) : QStatusBar(Parent), FPanels(new TStatusPanels(*this)) {
  setSizeGripEnabled(false);
}

void TStatusBar::resizeEvent(QResizeEvent* Event) {
  QStatusBar::resizeEvent(Event);
  FPanels->LayoutPanels();
}

}  // namespace cantrel
