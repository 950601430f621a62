#pragma once

namespace cantrel {

// Loading a resource string may look it up in catalogs, and looking up may
// open a catalog, whose errors and messages are resource strings again.
// While a resource-string lookup or the opening of a catalog runs on a
// thread, further resource strings on that thread stay untranslated, so a
// broken catalog cannot make its own error message open it again.
class TResourceLookupGuard {
public:
  TResourceLookupGuard() { ++Depth(); }
  ~TResourceLookupGuard() { --Depth(); }
  TResourceLookupGuard(const TResourceLookupGuard&) = delete;
  TResourceLookupGuard& operator=(const TResourceLookupGuard&) = delete;

  static bool Active() { return Depth() > 0; }

private:
  static int& Depth() {
    thread_local int Value = 0;
    return Value;
  }
};

}  // namespace cantrel
