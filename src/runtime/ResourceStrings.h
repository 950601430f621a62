#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/String.h"

namespace cantrel {

// A string table keyed by identifier, the counterpart of a module's string
// resources. Tables are constant data, so they exist before any code runs.
struct TResourceEntry {
  int Identifier;
  const char16_t* Text;
};

struct TResourceModule {
  const TResourceEntry* Entries;
  std::size_t Count;
};

// Identifies one resource string. An identifier of 65536 or above is the
// address of the text itself rather than a table key.
struct TResStringRec {
  const TResourceModule* Module;
  std::intptr_t Identifier;
};

constexpr std::intptr_t MaxResourceIdentifier = 65535;

using TResStringLoader = String (*)(const TResStringRec* Rec);
using TIdentStringLoader = String (*)(int Identifier);

// The loaders every resource string goes through; the localization layer
// replaces them so that the texts are translated. Both setters return the
// loader they replaced; nullptr restores the plain loader.
TResStringLoader SetResStringLoader(TResStringLoader Loader);
TIdentStringLoader SetIdentStringLoader(TIdentStringLoader Loader);

String LoadResString(const TResStringRec* Rec);
String LoadStr(int Identifier);

// The plain, untranslated loading the replaceable loaders build on.
String LoadResourceText(const TResStringRec* Rec);
String LoadStringResource(const TResourceModule& Module, int Identifier);
// The text of the first registered module that holds a non-empty string.
String FindStringResource(int Identifier);

// Makes a module's table visible to FindStringResource, after the
// run-time's own table.
void RegisterResourceModule(const TResourceModule& Module);

}  // namespace cantrel
