// TForm: a top-level window of fixed size laid out at 96 dots per inch.
#include "widgets/Form.h"

#include <QApplication>

#include "widgets/Geometry.h"

namespace cantrel {

namespace {

constexpr int DesignPointSize = 8;

}  // namespace

TForm::TForm(QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  // The desktop's font at the size the window's layout was made for, so
  // that texts fit the controls' fixed pixels at any screen density.
  QFont Font = QApplication::font();
  Font.setPointSize(DesignPointSize);
  setFont(Font);
}

String TForm::Caption() const { return windowTitle().toStdU16String(); }

void TForm::SetCaption(const String& Value) { setWindowTitle(QString::fromStdU16String(Value)); }

void TForm::SetClientSize(int Width, int Height) {
  setFixedSize(ScaledPixels(*this, Width), ScaledPixels(*this, Height));
}

}  // namespace cantrel
