// Runs a fuzz target on the kept corpus: every file of the folders (or the
// files) named on the command line, once each, in name order. Built with
// the normal compiler, so CI replays the corpus as an ordinary test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

int main(int Argc, char** Argv) {
  std::vector<std::filesystem::path> Inputs;
  for (int I = 1; I < Argc; ++I) {
    if (std::filesystem::is_directory(Argv[I])) {
      for (const auto& Entry : std::filesystem::directory_iterator(Argv[I]))
        if (Entry.is_regular_file()) Inputs.push_back(Entry.path());
    } else {
      Inputs.emplace_back(Argv[I]);
    }
  }
  std::sort(Inputs.begin(), Inputs.end());
  for (const auto& Input : Inputs) {
    std::ifstream File(Input, std::ios::binary);
    if (!File) {
      std::fprintf(stderr, "cannot read %s\n", Input.c_str());
      return 1;
    }
    const std::string Bytes((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(Bytes.data()), Bytes.size());
  }
  std::printf("%zu inputs replayed\n", Inputs.size());
  return Inputs.empty() ? 1 : 0;
}
