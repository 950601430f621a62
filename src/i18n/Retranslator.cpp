#include "i18n/Retranslator.h"

#include "i18n/GettextInstance.h"

namespace cantrel {

void TTP_Retranslator::Remember(TObject& Obj, const String& Propname, const String& OldValue) {
  FItems.push_back({&Obj, Propname, OldValue});
}

void TTP_Retranslator::Execute() {
  for (const TTP_RetranslatorItem& Item : FItems) {
    auto* List = dynamic_cast<TStrings*>(Item.Obj);
    if (!List) {
      Instance->SetTextProperty(*Item.Obj, Item.Propname, Instance->dgettext(TextDomain, Item.OldValue));
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

