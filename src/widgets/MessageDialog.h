// The dialog that shows a message box's text.
#pragma once

#include <QMessageBox>
#include <memory>

#include "runtime/MessageBox.h"
#include "runtime/String.h"

namespace cantrel {

// The dialog that shows a message box's text. A text of many lines (a Make
// with thousands of names left out) shows its first lines and keeps the
// whole text in the dialog's scrollable details, so the dialog stays
// smaller than the screen and every line can still be read.
std::unique_ptr<QMessageBox> MakeMessageDialog(const String& Text, const String& Caption, TMessageBoxIcon Icon);

}  // namespace cantrel
