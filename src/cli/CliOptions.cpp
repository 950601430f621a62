#include "cli/CliOptions.h"

#include <getopt.h>

#include "app/FilterTexts.h"
#include "cli/CliErrors.h"
#include "i18n/Gettext.h"
#include "runtime/Format.h"

namespace cantrel {

namespace {

enum : int { OptBom = 256, OptNoRecursion, OptVersion };

const option LongOptions[] = {
    {"filter", required_argument, nullptr, 'f'}, {"name", required_argument, nullptr, 'n'},
    {"format", required_argument, nullptr, 't'},  {"bom", no_argument, nullptr, OptBom},
    {"no-recursion", no_argument, nullptr, OptNoRecursion},
    {"list", no_argument, nullptr, 'l'},          {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},          {"version", no_argument, nullptr, OptVersion},
    {nullptr, 0, nullptr, 0},
};

constexpr StringView FormatNames[] = {u"m3u", u"m3u8", u"xspf", u"wpl", u"pls", u"asx"};

TPlayListFileFoamat ParseFormat(const String& Name) {
  for (std::size_t I = 0; I < std::size(FormatNames); ++I)
    if (SameText(Name, FormatNames[I])) return static_cast<TPlayListFileFoamat>(I);
  throw EUsageError(Format(gettext(u"unknown format \"%s\" (choose m3u, m3u8, xspf, wpl, pls or asx)"), {Name}));
}

String OptionName(int Argc, char** Argv) {
  const int Index = optind - 1;
  if (Index > 0 && Index < Argc) return Utf8ToString(Argv[Index]);
  return AsciiToString(std::string("-") + static_cast<char>(optopt));
}

}  // namespace

TCliOptions ParseCommandLine(int Argc, char** Argv) {
  TCliOptions Options;
  opterr = 0;
  optind = 1;
  for (int Option; (Option = getopt_long(Argc, Argv, ":f:n:t:lqh", LongOptions, nullptr)) != -1;) {
    switch (Option) {
      case 'f': Options.Filter = Utf8ToString(optarg); break;
      case 'n': Options.NameTemplate = Utf8ToString(optarg); break;
      case 't': Options.Format = ParseFormat(Utf8ToString(optarg)); break;
      case OptBom: Options.ByteOrderMark = true; break;
      case OptNoRecursion: Options.Recursion = false; break;
      case 'l': Options.ListOnly = true; break;
      case 'q': Options.Quiet = true; break;
      case 'h': Options.Help = true; break;
      case OptVersion: Options.Version = true; break;
      case ':':
        throw EUsageError(Format(gettext(u"option \"%s\" needs a value"), {OptionName(Argc, Argv)}));
      default:
        throw EUsageError(Format(gettext(u"unknown option \"%s\""), {OptionName(Argc, Argv)}));
    }
  }
  if (Options.Help || Options.Version) return Options;
  if (optind >= Argc) throw EUsageError(gettext(u"no folder given"));
  if (optind + 1 < Argc) throw EUsageError(Format(gettext(u"one folder only, not also \"%s\""), {Utf8ToString(Argv[optind + 1])}));
  Options.Folder = Utf8ToString(Argv[optind]);
  return Options;
}

String UsageText() {
  String Text = gettext(
      u"Usage: cantrel-cli [options] FOLDER\n"
      u"Finds the media files in FOLDER and the folders below it and writes a playlist into each\n"
      u"folder, listing the files of that folder and of all folders below it.\n"
      u"\n"
      u"  -f, --filter N|TEXT   filter N of the list below, or masks such as \"*.mp3;*.flac\" (default 0)\n"
      u"  -n, --name TEMPLATE   playlist file name; %album% becomes the folder's name (default \"%album%.m3u\")\n"
      u"  -t, --format FORMAT   m3u, m3u8, xspf, wpl, pls or asx (default m3u)\n"
      u"      --bom             start M3U8 playlists with a byte-order mark\n"
      u"      --no-recursion    search and write FOLDER only, not the folders below it\n"
      u"  -l, --list            only list the files found, relative to FOLDER; write nothing\n"
      u"  -q, --quiet           show neither progress nor the summary\n"
      u"  -h, --help            show this help and exit\n"
      u"      --version         show the version and exit\n"
      u"\n"
      u"Filters (9 is the video line of the settings file cantrel.ini beside the program):\n");
  for (std::size_t I = 0; I < AudioFilterTexts.size(); ++I)
    Text += u"  " + IntToStr(static_cast<std::int64_t>(I)) + u"  " + gettext(String(AudioFilterTexts[I])) + u"\n";
  return Text + u"  9  " + gettext(String(DefaultVideoFilterText)) + u"\n";
}

}  // namespace cantrel
