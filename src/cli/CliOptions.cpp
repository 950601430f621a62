// cantrel-cli's options: what the command line asked for, and its parsing.
#include "cli/CliOptions.h"

#include <getopt.h>

#include <algorithm>
#include <optional>
#include <string>

#include "core/FilterTexts.h"
#include "cli/CliErrors.h"
#include "i18n/Gettext.h"
#include "runtime/Format.h"
#include "runtime/Paths.h"

namespace cantrel {

namespace {

enum : int { OptBom = 256, OptNoRecursion, OptReaders, OptTags, OptOrder, OptNoCache, OptWatch, OptSettle, OptRescan };

// More readers than this wait on one another rather than on the share.
constexpr int MaxReaders = 256;

const option LongOptions[] = {
    {"filter", required_argument, nullptr, 'f'},
    {"name", required_argument, nullptr, 'n'},
    {"format", required_argument, nullptr, 't'},
    {"bom", no_argument, nullptr, OptBom},
    {"no-recursion", no_argument, nullptr, OptNoRecursion},
    {"follow", no_argument, nullptr, 'L'},
    {"readers", required_argument, nullptr, OptReaders},
    {"tags", no_argument, nullptr, OptTags},
    {"order", required_argument, nullptr, OptOrder},
    {"no-cache", no_argument, nullptr, OptNoCache},
    {"watch", no_argument, nullptr, OptWatch},
    {"settle", required_argument, nullptr, OptSettle},
    {"rescan", required_argument, nullptr, OptRescan},
    {"verbose", no_argument, nullptr, 'v'},
    {"list", no_argument, nullptr, 'l'},
    {"null", no_argument, nullptr, '0'},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

constexpr StringView FormatNames[] = {u"m3u", u"m3u8", u"xspf", u"wpl", u"pls", u"asx"};

TPlayListFileFoamat ParseFormat(const String& Name) {
  for (std::size_t I = 0; I < std::size(FormatNames); ++I)
    if (SameText(Name, FormatNames[I])) return static_cast<TPlayListFileFoamat>(I);
  throw EUsageError(Format(gettext(u"unknown format \"%s\" (choose m3u, m3u8, xspf, wpl, pls or asx)"), {Name}));
}

// The playlist's name is put into each folder as it is: a path, or a name
// that is the folder itself or its parent, would write elsewhere or nowhere.
String PlayListName(const String& Name) {
  if (Name.empty() || Name == u"." || Name == u".." || Name.find(PathDelim) != String::npos)
    throw EUsageError(Format(gettext(u"the playlist name \"%s\" is not a file name"), {Name}));
  return Name;
}

int ParseReaders(const String& Text) {
  const bool Digits = !Text.empty() && Text.size() <= 3 &&
                      std::all_of(Text.begin(), Text.end(), [](char16_t C) { return C >= u'0' && C <= u'9'; });
  int Count = 0;
  if (Digits)
    for (char16_t Digit : Text) Count = Count * 10 + (Digit - u'0');
  if (!Digits || Count > MaxReaders)
    throw EUsageError(Format(gettext(u"the number of readers \"%s\" is not a whole number from 0 to 256"), {Text}));
  return Count;
}

bool ParseOrder(const String& Name) {
  if (SameText(Name, u"tags")) return true;
  if (SameText(Name, u"name")) return false;
  throw EUsageError(Format(gettext(u"unknown order \"%s\" (choose name or tags)"), {Name}));
}

// A number with up to three places after the point, from 0 to Most, in
// thousandths; nullopt for anything else.
std::optional<int> ParseThousandths(const String& Text, int Most) {
  const std::string Digits = StringToUtf8(Text);
  const std::size_t Point = Digits.find('.');
  const std::string Whole = Digits.substr(0, Point);
  const std::string Fraction = Point == std::string::npos ? std::string() : Digits.substr(Point + 1);
  const auto AllDigits = [](const std::string& Part) {
    return std::all_of(Part.begin(), Part.end(), [](char C) { return C >= '0' && C <= '9'; });
  };
  if (Whole.empty() || Whole.size() > 5 || Fraction.size() > 3 || (Point != std::string::npos && Fraction.empty()) ||
      !AllDigits(Whole) || !AllDigits(Fraction) || std::stoi(Whole) > Most)
    return std::nullopt;
  const int Result = std::stoi(Whole) * 1000 + (Fraction.empty() ? 0 : std::stoi((Fraction + "00").substr(0, 3)));
  return Result <= Most * 1000 ? std::optional<int>(Result) : std::nullopt;
}

// Up to a day either way.
constexpr int MostSettleSeconds = 86400;
constexpr int MostRescanMinutes = 1440;

int ParseSettle(const String& Text) {
  if (const auto Thousandths = ParseThousandths(Text, MostSettleSeconds)) return *Thousandths;
  throw EUsageError(Format(gettext(u"the settle time \"%s\" is not a number of seconds from 0 to 86400"), {Text}));
}

// In milliseconds.
int ParseRescan(const String& Text) {
  const auto Thousandths = ParseThousandths(Text, MostRescanMinutes);
  if (!Thousandths || *Thousandths == 0)
    throw EUsageError(Format(gettext(u"the rescan time \"%s\" is not a number of minutes above 0 up to 1440"), {Text}));
  return *Thousandths * 60;
}

// Translations come with Windows line breaks; a terminal and a pager want
// line feeds.
String WithLineFeeds(const String& Text) { return ReplaceAll(Text, u"\r\n", u"\n"); }

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
  for (int Option; (Option = getopt_long(Argc, Argv, ":f:n:t:Ll0qvhV", LongOptions, nullptr)) != -1;) {
    switch (Option) {
      case 'f': Options.Filter = Utf8ToString(optarg); break;
      case 'n': Options.NameTemplate = PlayListName(Utf8ToString(optarg)); break;
      case 't': Options.Format = ParseFormat(Utf8ToString(optarg)); break;
      case OptBom: Options.ByteOrderMark = true; break;
      case OptNoRecursion: Options.Recursion = false; break;
      case 'L': Options.FollowLinks = true; break;
      case OptReaders:
        Options.Readers = ParseReaders(Utf8ToString(optarg));
        Options.ReadersOnDemand = false;
        break;
      case OptTags: Options.Tags = true; break;
      case OptOrder: Options.OrderByTags = ParseOrder(Utf8ToString(optarg)); break;
      case OptNoCache: Options.TagCache = false; break;
      case OptWatch: Options.Watch = true; break;
      case OptSettle: Options.SettleMilliseconds = ParseSettle(Utf8ToString(optarg)); break;
      case OptRescan: Options.RescanMilliseconds = ParseRescan(Utf8ToString(optarg)); break;
      case 'v': Options.Verbose = true; break;
      case 'l': Options.ListOnly = true; break;
      case '0': Options.NullSeparated = true; break;
      case 'q': Options.Quiet = true; break;
      case 'h': Options.Help = true; break;
      case 'V': Options.Version = true; break;
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
  // A watch writes playlists, and reads each folder once by its place.
  if (Options.Watch && (Options.ListOnly || Options.FollowLinks))
    throw EUsageError(gettext(u"--watch cannot be combined with --list or --follow"));
  return Options;
}

String UsageText() {
  String Text = WithLineFeeds(gettext(
      u"Usage: cantrel-cli [options] FOLDER\n"
      u"Finds the media files in FOLDER and the folders below it and writes a playlist into each\n"
      u"folder, listing the files of that folder and of all folders below it.\n"
      u"\n"
      u"  -f, --filter N|TEXT   filter N of the list below, or masks such as \"*.mp3;*.flac\" (default 0)\n"
      u"  -n, --name TEMPLATE   playlist file name; %album% becomes the folder's name (default \"%album%.m3u\")\n"
      u"  -t, --format FORMAT   m3u, m3u8, xspf, wpl, pls or asx (default m3u)\n"
      u"      --bom             start M3U8 playlists with a byte-order mark\n"
      u"      --no-recursion    search and write FOLDER only, not the folders below it\n"
      u"  -L, --follow          walk into links to folders too (each folder once)\n"
      u"      --readers N       list N folders at once ahead of the walk, for network shares (default 16)\n"
      u"      --tags            titles, artists and lengths from the files' tags in the playlists\n"
      u"      --order ORDER     each folder's files by name, or by disc and track number: name or tags\n"
      u"                        (default name)\n"
      u"      --no-cache        read every file's tags, leaving the tag cache ~/.cache/cantrel/tags.sqlite alone\n"
      u"      --watch           keep the playlists current as files and folders change, until stopped;\n"
      u"                        with --tags or --order tags, also as files are rewritten or re-tagged;\n"
      u"                        with -v, say \"up to date\" each time they are\n"
      u"      --settle SECONDS  with --watch, write once nothing changed for this long (default 2)\n"
      u"      --rescan MINUTES  with --watch, read folders that cannot be watched again this often (default 10)\n"
      u"  -l, --list            only list the files found, relative to FOLDER; write nothing\n"
      u"  -0, --null            end each line of --list with a NUL instead of a line feed\n"
      u"  -q, --quiet           show neither progress nor the summary\n"
      u"  -v, --verbose         the summary also tells how many media files were opened for their tags\n"
      u"  -h, --help            show this help and exit\n"
      u"  -V, --version         show the version and exit\n"
      u"\n"
      u"Filters (9 and 10 are the video line and the line of more audio formats of the settings file\n"
      u"cantrel.ini, which lies beside the program when that folder is writable, else in\n"
      u"~/.config/cantrel/; their defaults are shown):\n"));
  const String VideoFormat = gettext(String(DefaultVideoFilterText));
  const String MoreAudioFormat = gettext(String(DefaultMoreAudioFilterText));
  for (int I = 0; I < FilterCount; ++I) {
    const String Number = IntToStr(I);
    Text += u"  " + Number + (Number.size() == 1 ? u"  " : u" ") + FilterText(I, VideoFormat, MoreAudioFormat) + u"\n";
  }
  Text += u"\n";
  return Text + WithLineFeeds(gettext(
                    u"Exit status (when several apply, the first of this list):\n"
                    u"  2    bad usage, or FOLDER does not exist or cannot be read\n"
                    u"  130  interrupted (143 when terminated)\n"
                    u"  1    a playlist could not be written, the search failed, or the output could not be written\n"
                    u"  3    done, but some folders could not be read or some names were left out\n"
                    u"  0    done\n"
                    u"  0    --watch stopped by SIGINT or SIGTERM (1 when FOLDER was removed or unmounted)\n"));
}

}  // namespace cantrel
