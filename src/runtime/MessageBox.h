// A message box without an owner window, shown through a hook the application installs.
#pragma once

#include <cstdint>
#include <functional>

#include "runtime/String.h"

namespace cantrel {

enum class TMessageBoxIcon : std::uint8_t { miNone, miInformation, miWarning, miError };

// Shows a message box with no owner window and an OK button, and returns
// when the user has closed it. The application installs the real dialog;
// tests install a recorder. It may be called from any thread.
using TMessageBoxHook = std::function<void(const String& Text, const String& Caption, TMessageBoxIcon Icon)>;

// Without a hook the message goes to standard error as "Caption: Text".
void ShowMessageBox(const String& Text, const String& Caption, TMessageBoxIcon Icon = TMessageBoxIcon::miNone);

// Installs a hook and returns the one it replaced; an empty hook restores the
// standard-error output.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook);

}  // namespace cantrel
