#include "widgets/Geometry.h"

#include <QScreen>
#include <QWidget>
#include <cmath>

namespace cantrel {

int ScaledPixels(const QWidget& Widget, int Pixels) {
  const QScreen* Screen = Widget.screen();
  const double Dpi = Screen ? Screen->logicalDotsPerInch() : 96.0;
  return static_cast<int>(std::lround(Pixels * Dpi / 96.0));
}

void SetBounds(QWidget& Control, int Left, int Top, int Width, int Height) {
  Control.setGeometry(ScaledPixels(Control, Left), ScaledPixels(Control, Top), ScaledPixels(Control, Width),
                      ScaledPixels(Control, Height));
}

}  // namespace cantrel
