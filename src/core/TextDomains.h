// The program's text domain, started first thing in both programs.
#pragma once

#include "runtime/String.h"

namespace cantrel {

// The executable's file name without its extension: the program's text
// domain.
String ProgramBaseName();

// What the window and the command line do first once the localization layer
// runs: the program's base name becomes the current text domain and a
// resource-string domain. A catalog of these domains that cannot be read
// turns translation off, so every text stays in English and no later text
// can fail on it; one message box names the refused catalog.
void StartTextDomains();

}  // namespace cantrel
