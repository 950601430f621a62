// Where the settings file lies.
#pragma once

#include "runtime/String.h"

namespace cantrel {

// Where the window and the command line keep their settings: cantrel.ini
// beside the programs when that folder is writable and they are not the
// installed copies (a build, or a copy unpacked into a folder of the
// user's), else $XDG_CONFIG_HOME/cantrel/cantrel.ini, with ~/.config for an
// unset or relative XDG_CONFIG_HOME.
String SettingsFileName();

// Creates the missing folders above a settings file, each readable by the
// user alone, so that the first write of an installed program finds its
// folder. Answers whether the folder is there.
bool CreateSettingsFolder(StringView FileName);

}  // namespace cantrel
