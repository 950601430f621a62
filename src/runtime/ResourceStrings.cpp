// Resource strings: tables of texts by identifier, and their replaceable loaders.
#include "runtime/ResourceStrings.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "runtime/RuntimeConsts.h"

namespace cantrel {

namespace {

std::atomic<TResStringLoader> ResStringLoader{nullptr};
std::atomic<TIdentStringLoader> IdentStringLoader{nullptr};

std::mutex ModulesLock;

std::vector<const TResourceModule*>& Modules() {
  static std::vector<const TResourceModule*> List{&RuntimeResources};
  return List;
}

}  // namespace

TResStringLoader SetResStringLoader(TResStringLoader Loader) { return ResStringLoader.exchange(Loader); }

TIdentStringLoader SetIdentStringLoader(TIdentStringLoader Loader) {
  return IdentStringLoader.exchange(Loader);
}

String LoadResString(const TResStringRec* Rec) {
  const TResStringLoader Loader = ResStringLoader.load();
  return Loader ? Loader(Rec) : LoadResourceText(Rec);
}

String LoadStr(int Identifier) {
  const TIdentStringLoader Loader = IdentStringLoader.load();
  return Loader ? Loader(Identifier) : FindStringResource(Identifier);
}

String LoadResourceText(const TResStringRec* Rec) {
  if (!Rec) return {};
  if (Rec->Identifier > MaxResourceIdentifier) return reinterpret_cast<const char16_t*>(Rec->Identifier);
  return Rec->Module ? LoadStringResource(*Rec->Module, static_cast<int>(Rec->Identifier)) : String();
}

String LoadStringResource(const TResourceModule& Module, int Identifier) {
  for (std::size_t I = 0; I < Module.Count; ++I)
    if (Module.Entries[I].Identifier == Identifier) return Module.Entries[I].Text;
  return {};
}

String FindStringResource(int Identifier) {
  std::lock_guard Guard(ModulesLock);
  for (const TResourceModule* Module : Modules()) {
    String Text = LoadStringResource(*Module, Identifier);
    if (!Text.empty()) return Text;
  }
  return {};
}

void RegisterResourceModule(const TResourceModule& Module) {
  std::lock_guard Guard(ModulesLock);
  Modules().push_back(&Module);
}

}  // namespace cantrel
