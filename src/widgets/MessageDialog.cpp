// The dialog that shows a message box's text.
#include "widgets/MessageDialog.h"

namespace cantrel {

namespace {

constexpr qsizetype ShownLines = 20;

QMessageBox::Icon QtIcon(TMessageBoxIcon Icon) {
  switch (Icon) {
    case TMessageBoxIcon::miInformation:
      return QMessageBox::Information;
    case TMessageBoxIcon::miWarning:
      return QMessageBox::Warning;
    case TMessageBoxIcon::miError:
      return QMessageBox::Critical;
    case TMessageBoxIcon::miNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageDialog(const String& Text, const String& Caption, TMessageBoxIcon Icon) {
  const QString Whole = QString::fromStdU16String(Text);
  const QStringList Lines = Whole.split(u'\n');
  if (Lines.size() <= ShownLines)
    return std::make_unique<QMessageBox>(QtIcon(Icon), QString::fromStdU16String(Caption), Whole, QMessageBox::Ok);
  auto Dialog = std::make_unique<QMessageBox>(QtIcon(Icon), QString::fromStdU16String(Caption),
                                              Lines.mid(0, ShownLines).join(u'\n') + QStringLiteral("\n…"), QMessageBox::Ok);
  Dialog->setDetailedText(Whole);
  return Dialog;
}

}  // namespace cantrel
