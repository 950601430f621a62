// Pixels at 96 dots per inch scaled to the screen.
#include "widgets/Geometry.h"

#include <QFontMetrics>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace cantrel {

namespace {

// Narrower than this reads badly; the rest of the text is cut instead.
constexpr int MinimumStretch = 70;

double LogicalDpi(const QWidget& Widget) {
  const QScreen* Screen = Widget.screen();
  return Screen ? Screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

int ScaledPixels(const QWidget& Widget, int Pixels) {
  return static_cast<int>(std::lround(Pixels * LogicalDpi(Widget) / 96.0));
}

int DesignPixels(const QWidget& Widget, int Pixels) {
  return static_cast<int>(std::lround(Pixels * 96.0 / LogicalDpi(Widget)));
}

void SetBounds(QWidget& Control, int Left, int Top, int Width, int Height) {
  Control.setGeometry(ScaledPixels(Control, Left), ScaledPixels(Control, Top), ScaledPixels(Control, Width),
                      ScaledPixels(Control, Height));
}

void CondenseToFit(QWidget& Control, const QString& Text, int Room) {
  QFont Natural = Control.font();
  Natural.setStretch(QFont::Unstretched);
  const int Width = QFontMetrics(Natural).horizontalAdvance(Text);
  const int Stretch = Width > Room ? std::max(MinimumStretch, Room * QFont::Unstretched / Width) : QFont::AnyStretch;
  if (Control.font().stretch() == Stretch) return;
  // A font that sets the stretch alone inherits everything else.
  QFont Condensed;
  if (Stretch != QFont::AnyStretch) Condensed.setStretch(Stretch);
  Control.setFont(Condensed);
}

}  // namespace cantrel
