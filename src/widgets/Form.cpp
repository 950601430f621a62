#include "widgets/Form.h"

#include "widgets/Geometry.h"

namespace cantrel {

TForm::TForm(QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {}

String TForm::Caption() const { return windowTitle().toStdU16String(); }

void TForm::SetCaption(const String& Value) { setWindowTitle(QString::fromStdU16String(Value)); }

void TForm::SetClientSize(int Width, int Height) {
  setFixedSize(ScaledPixels(*this, Width), ScaledPixels(*this, Height));
}

}  // namespace cantrel
