#include "FuzzSupport.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace cantrel::fuzz {

namespace {

class TScratchFolder {
public:
  TScratchFolder() {
    std::string Template = (std::filesystem::temp_directory_path() / "cantrel-fuzz-XXXXXX").string();
    if (!mkdtemp(Template.data())) CheckFailed("mkdtemp", __FILE__, __LINE__);
    FPath = Template + "/";
  }
  ~TScratchFolder() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;

  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

}  // namespace

void CheckFailed(const char* Condition, const char* File, int Line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", File, Line, Condition);
  std::abort();
}

std::string_view AsBytes(const unsigned char* Data, std::size_t Size) {
  return std::string_view(reinterpret_cast<const char*>(Data), Size);
}

TMemoryFile::TMemoryFile() : FHandle(memfd_create("cantrel-fuzz", MFD_CLOEXEC)) {
  if (FHandle < 0) CheckFailed("memfd_create", __FILE__, __LINE__);
  FName = AsciiToString("/proc/self/fd/" + std::to_string(FHandle));
}

TMemoryFile::~TMemoryFile() { close(FHandle); }

void TMemoryFile::Write(std::string_view Bytes) {
  const bool Written = ftruncate(FHandle, 0) == 0 &&
                       pwrite(FHandle, Bytes.data(), Bytes.size(), 0) == static_cast<ssize_t>(Bytes.size());
  if (!Written) CheckFailed("writing the memory file", __FILE__, __LINE__);
}

const std::string& ScratchFolder() {
  static const TScratchFolder Folder;
  return Folder.Path();
}

}  // namespace cantrel::fuzz
