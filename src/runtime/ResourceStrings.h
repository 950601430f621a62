// Resource strings: tables of texts by identifier, and their replaceable loaders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

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

// A layer declares each of its texts once, as a row
// ResourceString(Name, Identifier, u"Text") of one list macro. In the
// layer's header CANTREL_DECLARE_RESOURCE_STRINGS declares the module and
// a record per row; in its source CANTREL_DEFINE_RESOURCE_STRINGS makes the
// table and the records from the same list. The template of the "default"
// catalog is made from the rows.
#define CANTREL_RESOURCE_STRING_DECLARATION(Name, Identifier, Text) extern const TResStringRec Name;
#define CANTREL_RESOURCE_STRING_ENTRY(Name, Identifier, Text) {Identifier, Text},
#define CANTREL_RESOURCE_STRING_RECORD(Name, Identifier, Text) const TResStringRec Name{LayerResources, Identifier};

#define CANTREL_DECLARE_RESOURCE_STRINGS(Module, List) \
  extern const TResourceModule Module;                 \
  List(CANTREL_RESOURCE_STRING_DECLARATION)

#define CANTREL_DEFINE_RESOURCE_STRINGS(Module, List)                                        \
  namespace {                                                                                \
  constexpr TResourceEntry Module##Table[] = {List(CANTREL_RESOURCE_STRING_ENTRY)};          \
  }                                                                                          \
  const TResourceModule Module{Module##Table, std::size(Module##Table)};                     \
  namespace {                                                                                \
  constexpr const TResourceModule* LayerResources = &Module;                                 \
  }                                                                                          \
  List(CANTREL_RESOURCE_STRING_RECORD)
