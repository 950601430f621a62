// A message box without an owner window, shown through a hook the application installs.
#include "runtime/MessageBox.h"

#include <cstdio>
#include <mutex>

namespace cantrel {

namespace {

std::mutex HookLock;

TMessageBoxHook& InstalledHook() {
  static TMessageBoxHook Installed;
  return Installed;
}

}  // namespace

void ShowMessageBox(const String& Text, const String& Caption, TMessageBoxIcon Icon) {
  TMessageBoxHook Current;
  {
    std::lock_guard Guard(HookLock);
    Current = InstalledHook();
  }
  // The dialog may take long and may show further boxes: call it unlocked.
  if (Current) return Current(Text, Caption, Icon);
  const std::string Line = StringToUtf8(Caption) + ": " + StringToUtf8(Text) + "\n";
  std::fputs(Line.c_str(), stderr);
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook Hook) {
  std::lock_guard Guard(HookLock);
  std::swap(Hook, InstalledHook());
  return Hook;
}

}  // namespace cantrel
