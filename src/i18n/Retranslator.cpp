// What a translated window runs again when the language changes.
#include "i18n/Retranslator.h"

#include "i18n/GettextInstance.h"
#include "runtime/Strings.h"

namespace cantrel {

void TTP_Retranslator::Remember(const TObjectHandle& Obj, const String& Propname, const String& OldValue) {
  FItems.push_back({Obj, Obj.Watch(), Propname, OldValue});
}

void TTP_Retranslator::Execute() {
  for (const TTP_RetranslatorItem& Item : FItems) {
    if (Item.Alive && !Item.Alive()) continue;
    TStrings* List = Item.Obj.StringList();
    if (!List) {
      Instance->SetTextProperty(Item.Obj, Item.Propname, Instance->dgettext(TextDomain, Item.OldValue));
      continue;
    }
    TStringList Lines;
    Lines.SetText(Item.OldValue);
    // Objects on lines stay where they were when the lines still match up.
    if (Lines.Count() == List->Count())
      for (int I = 0; I < Lines.Count(); ++I) Lines.PutObject(I, List->GetObject(I));
    Instance->TranslateStringList(Lines, TextDomain);
    const TStringsUpdate Update(*List);
    List->Assign(Lines);
  }
}

}  // namespace cantrel
