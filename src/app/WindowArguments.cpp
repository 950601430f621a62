// TWindowArguments: the window program's command line, its help and what is wrong with it.
#include "app/WindowArguments.h"

#include <getopt.h>

#include "i18n/Gettext.h"
#include "runtime/Format.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

const option LongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

String OptionName(int Argc, char** Argv) {
  const int Index = optind - 1;
  if (optopt == 0 && Index > 0 && Index < Argc) return Utf8ToString(Argv[Index]);
  return AsciiToString(std::string("-") + static_cast<char>(optopt));
}

}  // namespace

TWindowArguments ParseWindowArguments(int Argc, char** Argv) {
  TWindowArguments Arguments;
  opterr = 0;
  optind = 1;
  for (int Option; (Option = getopt_long(Argc, Argv, "hV", LongOptions, nullptr)) != -1;) {
    switch (Option) {
      case 'h': Arguments.Help = true; break;
      case 'V': Arguments.Version = true; break;
      default:
        Arguments.Problem = TWindowArguments::apUnknownOption;
        Arguments.Refused = OptionName(Argc, Argv);
        return Arguments;
    }
  }
  if (optind < Argc) Arguments.Folder = AbsolutePath(Utf8ToString(Argv[optind]));
  if (optind + 1 < Argc) {
    Arguments.Problem = TWindowArguments::apSecondFolder;
    Arguments.Refused = Utf8ToString(Argv[optind + 1]);
  }
  return Arguments;
}

String WindowUsageText() {
  // Translations come with Windows line breaks; a terminal wants line feeds.
  return ReplaceAll(gettext(u"Usage: cantrel [FOLDER]\n"
                            u"Shows the window that writes a playlist into every folder of a music or video library.\n"
                            u"\n"
                            u"  FOLDER          start with FOLDER as the current folder instead of the last one\n"
                            u"  -h, --help      show this help and exit\n"
                            u"  -V, --version   show the version and exit\n"
                            u"\n"
                            u"The settings are kept in cantrel.ini, beside the program when that folder is\n"
                            u"writable, else in ~/.config/cantrel/. cantrel-cli does the same without a window.\n"),
                    u"\r\n", u"\n");
}

String WindowArgumentProblem(const TWindowArguments& Arguments) {
  switch (Arguments.Problem) {
    case TWindowArguments::apUnknownOption:
      return Format(gettext(u"unknown option \"%s\"; \"cantrel --help\" lists the options"), {Arguments.Refused});
    case TWindowArguments::apSecondFolder:
      return Format(gettext(u"one folder only, not also \"%s\""), {Arguments.Refused});
    case TWindowArguments::apNone:
      break;
  }
  return {};
}

}  // namespace cantrel
