// The marker left in a translated window: its language and untranslated texts.
#include "i18n/GettextComponentMarker.h"

namespace cantrel {

namespace {

class TMarkerAdapter : public TObjectAdapter {
public:
  TClassHandle ClassOf(void*) const override {
    return {u"TGettextComponentMarker", {u"TComponent", u"TPersistent"}};
  }
  std::vector<TPropertyInfo> Properties(void*) const override { return {}; }
  TPropertyValue GetProperty(void*, StringView) const override { return String(); }
  void SetProperty(void*, StringView, const TPropertyValue&) const override {}
  String Name(void*) const override { return String(GettextMarkerName); }
};

const TMarkerAdapter Adapter;

}  // namespace

TObjectHandle MarkerHandle(TGettextComponentMarker& Marker) { return {&Adapter, &Marker}; }

TGettextComponentMarker* AsMarker(const TObjectHandle& Handle) {
  return Handle.Adapter == &Adapter ? static_cast<TGettextComponentMarker*>(Handle.Object) : nullptr;
}

}  // namespace cantrel
