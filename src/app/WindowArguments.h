// TWindowArguments: the window program's command line, its help and what is wrong with it.
#pragma once

#include <cstdint>

#include "runtime/String.h"

namespace cantrel {

// What the window's command line asks for: cantrel [FOLDER], --help,
// --version.
struct TWindowArguments {
  enum TProblem : std::uint8_t { apNone, apUnknownOption, apSecondFolder };

  bool Help = false;
  bool Version = false;
  // The folder to start in, made absolute from the folder the program was
  // started in; empty when none was given.
  String Folder;
  TProblem Problem = apNone;
  // The argument the problem is about.
  String Refused;

  // Neither help nor the version nor a problem: the window comes up.
  bool OpensWindow() const { return !Help && !Version && Problem == apNone; }
};

// Reads the arguments; needs neither a display nor the catalogs.
TWindowArguments ParseWindowArguments(int Argc, char** Argv);

// The help, translated.
String WindowUsageText();
// The problem of the arguments as one line, translated.
String WindowArgumentProblem(const TWindowArguments& Arguments);

}  // namespace cantrel
