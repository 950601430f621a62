// The program's text domain, started first thing in both programs.
#include "core/TextDomains.h"

#include "i18n/Gettext.h"
#include "i18n/GettextConsts.h"
#include "runtime/Exceptions.h"
#include "runtime/MessageBox.h"
#include "runtime/Paths.h"

namespace cantrel {

String ProgramBaseName() { return ChangeFileExt(ExtractFileName(ModuleFileName()), u""); }

void StartTextDomains() {
  const String BaseName = ProgramBaseName();
  textdomain(BaseName);
  AddResourceStringDomain(BaseName);
  TGettextInstance* Engine = DefaultGettextInstance();
  if (!Engine) return;
  // The header lookup opens a domain's catalog, which happens here rather
  // than inside the first message shown.
  for (const String& Domain : {String(u"default"), BaseName}) {
    try {
      Engine->dgettext(Domain, String());
    } catch (const Exception& Error) {
      Engine->SetEnabled(false);
      ShowMessageBox(Error.Message(), LoadResString(&SLocalizationProblem), TMessageBoxIcon::miWarning);
      return;
    }
  }
}

}  // namespace cantrel
