#include "TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "RunProgram.h"

namespace cantrel::test {

namespace {

std::string SystemTempBase() {
  const char* Base = std::getenv("TMPDIR");
  return Base && *Base ? Base : "/tmp";
}

}  // namespace

TTempDir::TTempDir() : TTempDir(SystemTempBase()) {}

TTempDir::TTempDir(const std::string& Base) {
  std::string Template = Base + "/cantrel-test-XXXXXX";
  if (!mkdtemp(Template.data())) throw std::runtime_error("mkdtemp failed");
  FPath = Template + "/";
}

TTempDir::~TTempDir() {
  std::error_code Error;
  // Folders a test made unreadable would stop the removal.
  for (auto It = std::filesystem::recursive_directory_iterator(
           FPath, std::filesystem::directory_options::skip_permission_denied, Error);
       !Error && It != std::filesystem::recursive_directory_iterator(); It.increment(Error))
    if (It->is_directory(Error) && !It->is_symlink(Error)) chmod(It->path().c_str(), 0755);
  std::filesystem::remove_all(FPath, Error);
  // rm walks by descriptors: a tree deeper than a path can name goes too.
  if (Error) RunProgram({"rm", "-rf", FPath});
}

std::string MemoryTempBase() {
  const std::string Memory = "/dev/shm";
  return access(Memory.c_str(), W_OK | X_OK) == 0 ? Memory : SystemTempBase();
}

String TTempDir::Folder() const { return Utf8ToString(FPath); }

String TTempDir::MakeDir(std::string_view Relative) const {
  std::filesystem::create_directories(FPath + std::string(Relative));
  std::string Result = FPath + std::string(Relative);
  if (Result.back() != '/') Result += '/';
  return Utf8ToString(Result);
}

void TTempDir::MakeFile(std::string_view Relative, std::string_view Bytes) const {
  const std::filesystem::path Path = FPath + std::string(Relative);
  std::filesystem::create_directories(Path.parent_path());
  std::ofstream(Path, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

int MakeFolderChain(const std::string& Folder, const std::string& Name, int Depth) {
  int Current = open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int Level = 0; Current >= 0 && Level < Depth; ++Level) {
    const int Next = mkdirat(Current, Name.c_str(), 0755) == 0
                         ? openat(Current, Name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                         : -1;
    close(Current);
    Current = Next;
  }
  return Current;
}

void MakeFileAt(int Folder, const std::string& Name, std::string_view Bytes) {
  const int Handle = openat(Folder, Name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (Handle < 0) return;
  [[maybe_unused]] const ssize_t Written = write(Handle, Bytes.data(), Bytes.size());
  close(Handle);
}

std::string ReadFileBytes(const std::string& Path) {
  std::ifstream File(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

bool FileExistsAt(const std::string& Path) { return access(Path.c_str(), F_OK) == 0; }

std::string CrLfLines(std::initializer_list<std::string_view> Lines) {
  std::string Result;
  for (std::string_view Line : Lines) Result.append(Line).append("\r\n");
  return Result;
}

}  // namespace cantrel::test
