#pragma once

#include <string>
#include <string_view>

#include "runtime/String.h"

// A property that does not hold ends the program: libFuzzer reports it as a
// crash with the input, the corpus replay as a failed test.
#define FUZZ_CHECK(Condition) ((Condition) ? void(0) : ::cantrel::fuzz::CheckFailed(#Condition, __FILE__, __LINE__))

namespace cantrel::fuzz {

[[noreturn]] void CheckFailed(const char* Condition, const char* File, int Line);

std::string_view AsBytes(const unsigned char* Data, std::size_t Size);

// A file in memory holding the bytes last written; its Name opens it like
// any path.
class TMemoryFile {
public:
  TMemoryFile();
  ~TMemoryFile();
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;

  void Write(std::string_view Bytes);
  const String& Name() const { return FName; }

private:
  int FHandle;
  String FName;
};

// A folder of the program's own below the temporary folder, ending in "/",
// removed with what it holds when the program ends.
const std::string& ScratchFolder();

}  // namespace cantrel::fuzz
