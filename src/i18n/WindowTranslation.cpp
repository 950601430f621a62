// The window-translation half of TGettextInstance: the walk over a window's
// objects, the rules that keep classes and properties out of it, and the
// marker that allows translating again.
#include <algorithm>
#include <unordered_set>

#include "i18n/GettextComponentMarker.h"
#include "i18n/GettextConsts.h"
#include "i18n/GettextErrors.h"
#include "i18n/GettextInstance.h"
#include "i18n/StringListAdapter.h"
#include "runtime/CodePage.h"
#include "runtime/MessageBox.h"

namespace cantrel {

namespace {

// List classes known to copy whole lists cheaply and to keep objects on
// lines through Assign.
bool IsKnownListClass(const TStrings& List) {
  const String Class = StringListClass(List).Name;
  for (StringView Name : {u"TStrings", u"TStringList", u"TMemoStrings", u"TComboBoxStrings", u"TListBoxStrings"})
    if (Class == Name) return true;
  return false;
}

TGettextComponentMarker* FindMarker(const TObjectHandle& AnObject) {
  return AsMarker(AnObject.FindComponent(GettextMarkerName));
}

TClassMode* FindExactRule(const std::vector<std::unique_ptr<TClassMode>>& Rules, const TClassHandle& Class) {
  for (const auto& Rule : Rules)
    if (Rule->HClass.Name == Class.Name) return Rule.get();
  return nullptr;
}

// A derived class's rule comes before its ancestors' rules.
TClassMode& InsertRule(std::vector<std::unique_ptr<TClassMode>>& Rules, std::unique_ptr<TClassMode> Rule) {
  const auto Place = std::find_if(Rules.begin(), Rules.end(),
                                  [&](const auto& Existing) { return Rule->HClass.InheritsFrom(Existing->HClass); });
  return **Rules.insert(Place, std::move(Rule));
}

// The rule of Class in Rules that ignored property names go to, made when
// missing; a class with a handler takes none.
TClassMode& PropertyRuleOf(std::vector<std::unique_ptr<TClassMode>>& Rules, const TClassHandle& Class) {
  TClassMode* Rule = FindExactRule(Rules, Class);
  if (Rule && Rule->SpecialHandler) throw EGettextProgrammingError(LoadResString(&SClassHasHandler));
  return Rule ? *Rule : InsertRule(Rules, std::make_unique<TClassMode>(Class));
}

String ErrorMessage(const std::exception& Error) {
  if (const auto* Own = dynamic_cast<const Exception*>(&Error)) return Own->Message();
  return Utf8ToString(Error.what());
}

}  // namespace

std::unique_ptr<TTP_Retranslator> TGettextInstance::CreateRetranslator() {
  auto Retranslator = std::make_unique<TTP_Retranslator>(*this);
  FTP_Retranslator = Retranslator.get();
  return Retranslator;
}

void TGettextInstance::TranslateComponent(const TObjectHandle& AnObject, const String& TextDomain) {
  TGettextComponentMarker* Marker = FindMarker(AnObject);
  const String Language = GetCurrentLanguage();
  if (!Marker) {
    auto NewMarker = std::make_unique<TGettextComponentMarker>();
    NewMarker->Retranslator = CreateRetranslator();
    try {
      TranslateProperties(AnObject, TextDomain);
    } catch (...) {
      // The marker goes with the failed walk; so must the pointer to its
      // retranslator.
      if (FTP_Retranslator == NewMarker->Retranslator.get()) FTP_Retranslator = nullptr;
      throw;
    }
    // Inserted only now, so the walk never visits the marker itself.
    NewMarker->LastLanguage = Language;
    AnObject.InsertComponent(std::move(NewMarker));
    return;
  }
  if (Marker->LastLanguage != Language)
    ShowMessageBox(LoadResString(&SIncorrectLanguageSwitch), LoadResString(&SErrorCaption));
  Marker->LastLanguage = Language;
}

void TGettextInstance::RetranslateComponent(const TObjectHandle& AnObject) {
  TGettextComponentMarker* Marker = FindMarker(AnObject);
  if (!Marker) throw EGettextProgrammingError(LoadResString(&SRetranslateUntranslated));
  const String Language = GetCurrentLanguage();
  if (Marker->LastLanguage != Language) Marker->Retranslator->Execute();
  Marker->LastLanguage = Language;
}

void TGettextInstance::TranslateProperties(const TObjectHandle& AnObject, const String& TextDomain) {
  const String Domain = TextDomain.empty() ? getcurrenttextdomain() : TextDomain;
  if (FTP_Retranslator) FTP_Retranslator->TextDomain = Domain;
  TQueue Queue{{String(), AnObject}};
  std::unordered_set<const void*> Visited;
  std::vector<String> IgnoredNames;
  while (!Queue.empty()) {
    const auto [Name, Obj] = Queue.front();
    Queue.pop_front();
    if (!Obj) continue;
    const TClassHandle Class = Obj.Class();
    if (!Class.InheritsFrom(PersistentClass()) || !Visited.insert(Obj.Object).second) continue;

    IgnoredNames.clear();
    if (const TClassMode* WholeClass = ClassRuleOf(Class, IgnoredNames)) {
      if (WholeClass->SpecialHandler) WholeClass->SpecialHandler(Obj);
      continue;
    }
    for (const TPropertyInfo& Property : Obj.Properties()) {
      const bool IgnoredByObject = std::any_of(IgnoredNames.begin(), IgnoredNames.end(),
                                               [&](const String& Ignored) { return SameText(Ignored, Property.Name); });
      if (IgnoredByObject || IsIgnored(Name + u"." + Property.Name)) continue;
      TranslateOneProperty(Obj, Property, Domain, Queue);
    }
    if (TStrings* List = Obj.StringList()) {
      if (List->Count() > 0 && FTP_Retranslator) FTP_Retranslator->Remember(Obj, u"Text", List->Text());
      TranslateStringList(*List, Domain);
    }
    for (const TObjectHandle& Item : Obj.CollectionItems()) Queue.emplace_back(String(), Item);
    for (const TObjectHandle& Child : Obj.Components())
      if (String ChildName = Child.Name(); !IsIgnored(ChildName)) Queue.emplace_back(std::move(ChildName), Child);
  }
  EndWalk();
}

const TClassMode* TGettextInstance::ClassRuleOf(const TClassHandle& Class, std::vector<String>& IgnoredNames) const {
  for (const TClassModes* Rules : {&FTP_ClassHandling, &FTP_GlobalClassHandling})
    for (const auto& Rule : *Rules) {
      if (!Class.InheritsFrom(Rule->HClass)) continue;
      if (Rule->PropertiesToIgnore.Count() == 0) return Rule.get();
      for (int I = 0; I < Rule->PropertiesToIgnore.Count(); ++I) IgnoredNames.push_back(Rule->PropertiesToIgnore[I]);
    }
  return nullptr;
}

bool TGettextInstance::IsIgnored(const String& Name) const { return FTP_IgnoreList.IndexOf(Name) >= 0; }

void TGettextInstance::EndWalk() {
  FTP_ClassHandling.clear();
  FTP_IgnoreList.Clear();
  FTP_Retranslator = nullptr;
}

void TGettextInstance::TranslateOneProperty(const TObjectHandle& Obj, const TPropertyInfo& Property,
                                            const String& TextDomain, TQueue& Queue) {
  try {
    String Value;
    switch (Property.Kind) {
      case TTypeKind::tkString:
        Value = CodePageToString(std::get<std::string>(Obj.GetProperty(Property.Name)), AnsiCodePage());
        break;
      case TTypeKind::tkLString:
        Value = ansi2wide(std::get<std::string>(Obj.GetProperty(Property.Name)));
        break;
      case TTypeKind::tkWString:
      case TTypeKind::tkUString:
        Value = std::get<String>(Obj.GetProperty(Property.Name));
        break;
      case TTypeKind::tkClass:
        if (const TObjectHandle Reached = std::get<TObjectHandle>(Obj.GetProperty(Property.Name)))
          Queue.emplace_back(String(), Reached);
        return;
      case TTypeKind::tkOther:
        return;
    }
    if (Value.empty() || !Property.Writable) return;
    if (FTP_Retranslator) FTP_Retranslator->Remember(Obj, Property.Name, Value);
    const String Translated = dgettext(TextDomain, Value);
    if (Translated != Value) SetTextProperty(Obj, Property.Name, Translated);
  } catch (const std::exception& Error) {
    throw EGettextComponentError(Format(LoadResString(&SPropertyNotTranslatable),
                                        {Obj.Class().Name, Property.Name, Property.Name, ErrorMessage(Error)}));
  }
}

bool TGettextInstance::SetTextProperty(const TObjectHandle& Obj, StringView PropName, const String& Value) const {
  for (const TPropertyInfo& Property : Obj.Properties()) {
    if (!SameText(Property.Name, PropName)) continue;
    if (!Property.Writable) return false;
    switch (Property.Kind) {
      case TTypeKind::tkString:
        Obj.SetProperty(Property.Name, StringToCodePage(Value, AnsiCodePage()));
        return true;
      case TTypeKind::tkLString:
        Obj.SetProperty(Property.Name, StringToCodePage(Value, AnsiCodePageOfDesign()));
        return true;
      case TTypeKind::tkWString:
      case TTypeKind::tkUString:
        Obj.SetProperty(Property.Name, Value);
        return true;
      case TTypeKind::tkClass:
      case TTypeKind::tkOther:
        return false;
    }
  }
  return false;
}

void TGettextInstance::TranslateStringList(TStrings& List, const String& TextDomain) {
  if (List.Count() == 0) return;
  const TStringsUpdate Update(List);
  if (IsKnownListClass(List)) {
    TStringList Copy;
    Copy.Assign(List);
    for (int I = 0; I < Copy.Count(); ++I)
      if (!Copy[I].empty()) Copy.Put(I, dgettext(TextDomain, Copy[I]));
    List.Assign(Copy);
  } else {
    for (int I = 0; I < List.Count(); ++I)
      if (const String Line = List[I]; !Line.empty()) List.Put(I, dgettext(TextDomain, Line));
  }
}

void TGettextInstance::TP_Ignore(const String& Name) { FTP_IgnoreList.Add(Name); }

void TGettextInstance::TP_IgnoreClass(const TClassHandle& IgnClass) {
  if (FindExactRule(FTP_ClassHandling, IgnClass))
    throw EGettextProgrammingError(Format(LoadResString(&SClassAlreadyIgnored), {IgnClass.Name}));
  InsertRule(FTP_ClassHandling, std::make_unique<TClassMode>(IgnClass));
}

void TGettextInstance::TP_IgnoreClassProperty(const TClassHandle& IgnClass, const String& PropertyName) {
  // A repeated name is refused by the list itself.
  PropertyRuleOf(FTP_ClassHandling, IgnClass).PropertiesToIgnore.Add(PropertyName);
}

void TGettextInstance::TP_GlobalIgnoreClass(const TClassHandle& IgnClass) {
  if (FindExactRule(FTP_GlobalClassHandling, IgnClass))
    throw EGettextProgrammingError(Format(LoadResString(&SClassAlreadyIgnoredGlobally), {IgnClass.Name}));
  InsertRule(FTP_GlobalClassHandling, std::make_unique<TClassMode>(IgnClass));
}

void TGettextInstance::TP_GlobalIgnoreClassProperty(const TClassHandle& IgnClass, const String& PropertyName) {
  TStringList& Ignored = PropertyRuleOf(FTP_GlobalClassHandling, IgnClass).PropertiesToIgnore;
  if (Ignored.IndexOf(PropertyName) < 0) Ignored.Add(PropertyName);
}

void TGettextInstance::TP_GlobalHandleClass(const TClassHandle& HClass, TTranslator Handler) {
  if (FindExactRule(FTP_GlobalClassHandling, HClass))
    throw EGettextProgrammingError(LoadResString(&SClassAlreadyHandled));
  InsertRule(FTP_GlobalClassHandling, std::make_unique<TClassMode>(HClass, std::move(Handler)));
}

}  // namespace cantrel
