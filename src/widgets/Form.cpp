// TForm: a top-level window of fixed size laid out at 96 dots per inch.
#include "widgets/Form.h"

#include <QApplication>

#include "widgets/Geometry.h"
#include "widgets/Menus.h"

namespace cantrel {

namespace {

constexpr int DesignPointSize = 8;

}  // namespace

TForm::TForm(QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
  // The desktop's font at the size the window's layout was made for, so
  // that texts fit the controls' pixels at any screen density.
  QFont Font = QApplication::font();
  Font.setPointSize(DesignPointSize);
  setFont(Font);
}

String TForm::Caption() const { return windowTitle().toStdU16String(); }

void TForm::SetCaption(const String& Value) { setWindowTitle(QString::fromStdU16String(Value)); }

void TForm::SetMenu(TMainMenu* Value) {
  FMenu = Value;
  if (FMenu) FMenu->setGeometry(0, 0, width(), MenuHeight());
}

void TForm::SetClientSize(int Width, int Height) {
  const QSize Size = SizeForClient(Width, Height);
  setMinimumSize(Size);
  resize(Size);
}

QSize TForm::SizeForClient(int Width, int Height) const {
  return {ScaledPixels(*this, Width), ScaledPixels(*this, Height) + MenuHeight()};
}

QRect TForm::ClientRect() const { return {0, MenuHeight(), width(), height() - MenuHeight()}; }

int TForm::MenuHeight() const { return FMenu && !FMenu->isNativeMenuBar() ? FMenu->sizeHint().height() : 0; }

void TForm::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  if (FMenu) FMenu->setGeometry(0, 0, width(), MenuHeight());
  FireEvent(OnResize, *this);
}

}  // namespace cantrel
