// Times the sort of a folder's names on its own, at 1 000 000 names of the
// kind a media library holds: with the key table for Latin letters (the
// program's way), with ICU sort keys (ucol_getSortKey) for every name, and
// with ucol_strcoll as the comparison. Prints the figures; decides nothing.
#include <unicode/ucol.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/LatinCollation.h"
#include "runtime/String.h"

using namespace cantrel;

namespace {

// Track file names: numbers, words with and without accents, and one name
// in fifty in a script beyond Latin, which the key table leaves to ICU.
std::vector<String> MakeNames(std::size_t Count) {
  const char16_t* const Words[] = {u"Love",   u"Été",   u"night", u"Straße", u"Über",  u"café",
                                   u"Dance",  u"żółw",  u"river", u"Ångström", u"blue", u"Señor",
                                   u"Mozart", u"œuvre", u"Live",  u"remix",  u"Ça va", u"Øre"};
  const char16_t* const Beyond[] = {u"Любовь", u"夜", u"Ελλάδα", u"שלום"};
  std::mt19937 Random(42);
  std::vector<String> Names;
  Names.reserve(Count);
  for (std::size_t I = 0; I < Count; ++I) {
    String Name = AsciiToString(std::to_string(Random() % 30 + 1)) + u" - ";
    for (int W = 0, Many = static_cast<int>(Random() % 4) + 1; W < Many; ++W)
      Name += String(Words[Random() % std::size(Words)]) + u" ";
    if (Random() % 50 == 0) Name += Beyond[Random() % std::size(Beyond)];
    Name += u".mp3";
    Names.push_back(std::move(Name));
  }
  return Names;
}

// The best of Runs times of Sort, in seconds.
double Best(int Runs, const std::function<void()>& Sort) {
  double Best = 0;
  for (int Run = 0; Run < Runs; ++Run) {
    const auto Start = std::chrono::steady_clock::now();
    Sort();
    const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    if (Run == 0 || Seconds < Best) Best = Seconds;
  }
  return Best;
}

std::vector<std::size_t> Positions(std::size_t Count) {
  std::vector<std::size_t> Result(Count);
  for (std::size_t I = 0; I < Count; ++I) Result[I] = I;
  return Result;
}

// Every name's ICU sort key, then the positions sorted by key and, among
// equal keys, by code units.
std::vector<std::size_t> SortByIcuKeys(const UCollator* Collator, const std::vector<StringView>& Names) {
  std::string Keys;
  std::vector<std::size_t> Ends{0};
  std::vector<std::uint8_t> Buffer(256);
  for (const StringView Name : Names) {
    const auto Length = static_cast<int32_t>(Name.size());
    auto Size = ucol_getSortKey(Collator, Name.data(), Length, Buffer.data(), static_cast<int32_t>(Buffer.size()));
    if (static_cast<std::size_t>(Size) > Buffer.size()) {
      Buffer.resize(static_cast<std::size_t>(Size));
      Size = ucol_getSortKey(Collator, Name.data(), Length, Buffer.data(), Size);
    }
    Keys.append(reinterpret_cast<const char*>(Buffer.data()), static_cast<std::size_t>(Size));
    Ends.push_back(Keys.size());
  }
  const auto KeyOf = [&](std::size_t I) { return std::string_view(Keys).substr(Ends[I], Ends[I + 1] - Ends[I]); };
  std::vector<std::size_t> Order = Positions(Names.size());
  std::sort(Order.begin(), Order.end(), [&](std::size_t A, std::size_t B) {
    const int Result = KeyOf(A).compare(KeyOf(B));
    return Result != 0 ? Result < 0 : Names[A] < Names[B];
  });
  return Order;
}

std::vector<std::size_t> SortByStrcoll(const UCollator* Collator, const std::vector<StringView>& Names) {
  std::vector<std::size_t> Order = Positions(Names.size());
  std::sort(Order.begin(), Order.end(), [&](std::size_t A, std::size_t B) {
    const UCollationResult Result = ucol_strcoll(Collator, Names[A].data(), static_cast<int32_t>(Names[A].size()),
                                                 Names[B].data(), static_cast<int32_t>(Names[B].size()));
    return Result != UCOL_EQUAL ? Result == UCOL_LESS : Names[A] < Names[B];
  });
  return Order;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t Count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
  const int Runs = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::vector<String> Owned = MakeNames(Count);
  const std::vector<StringView> Names(Owned.begin(), Owned.end());
  std::printf("%-44s | %-9s | %-9s | %s\n", "sort of one folder's names, own time", "locale", "seconds", "x key table");
  for (const char* Locale : {"en_US", "de_DE", "sv_SE"}) {
    const TCollator Collator = OpenNameCollator(Locale);
    const TLatinCollation Latin(Collator.get());
    std::vector<std::size_t> Reference;
    const double Table = Best(Runs, [&] { Reference = TNameSortKeys(Collator.get(), Latin, Names).Order(); });
    std::vector<std::size_t> Order;
    const double Keys = Best(Runs, [&] { Order = SortByIcuKeys(Collator.get(), Names); });
    if (Order != Reference) std::printf("(ICU sort keys give another order)\n");
    const double Strcoll = Best(1, [&] { Order = SortByStrcoll(Collator.get(), Names); });
    std::printf("%-44s | %-9s | %9.3f | %5.2f\n", ("Latin key table, " + std::to_string(Count) + " names").c_str(),
                Locale, Table, 1.0);
    std::printf("%-44s | %-9s | %9.3f | %5.2f\n", "ICU sort keys (ucol_getSortKey)", Locale, Keys, Keys / Table);
    std::printf("%-44s | %-9s | %9.3f | %5.2f\n", "ucol_strcoll as the comparison, one run", Locale, Strcoll,
                Strcoll / Table);
  }
  return 0;
}
