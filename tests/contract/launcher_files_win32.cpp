#include <windows.h>

#include <string>

#include "launcher_files_contract.h"
#include "launcher/win32/launcher_files.h"

namespace {

uint64_t FromFileTime(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

class Win32Side : public LauncherFilesSide {
 public:
  Win32Side() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    scratch_ = std::string(temp) + "launcher-files-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
    CreateDirectoryA(scratch_.c_str(), nullptr);
    scratch_ += "\\";
  }
  ~Win32Side() override {
    if (!drive_.empty())
      DefineDosDeviceA(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, drive_.c_str(), driveTarget_.c_str());
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((scratch_ + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = scratch_ + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveDirectoryA(path.c_str());
        else
          DeleteFileA(path.c_str());
      } while (FindNextFileA(find, &data));
      FindClose(find);
    }
    RemoveDirectoryA(scratch_.c_str());
  }
  launcher::LauncherFiles& files() override { return files_; }
  const std::string& scratch() override { return scratch_; }
  void MakeReadOnly(const std::string& path) override { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY); }
  void MakeHidden(const std::string& path) override { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN); }
  void MakeSystem(const std::string& path) override { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_SYSTEM); }
  bool Exists(const std::string& path) override { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  void MakeDirectory(const std::string& path) override { CreateDirectoryA(path.c_str(), nullptr); }
  bool MapDrive(const std::string& directory, std::string* drive) override {
    std::string target = directory;
    while (!target.empty() && target.back() == '\\') target.pop_back();
    // The highest free letter, where no drive of the machine's is likely.
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Z'; letter > 'D'; --letter) {
      if (used & (1u << (letter - 'A'))) continue;
      const std::string name = std::string(1, letter) + ":";
      if (!DefineDosDeviceA(0, name.c_str(), target.c_str())) return false;
      drive_ = name;
      driveTarget_ = target;
      *drive = name;
      // A mapping that does not reach the directory is no mapping.
      return GetFileAttributesA((name + "\\").c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    return false;
  }
  uint64_t LastWriteTime(const std::string& path) override { return FromFileTime(attributes(path).ftLastWriteTime); }
  uint64_t LastAccessTime(const std::string& path) override { return FromFileTime(attributes(path).ftLastAccessTime); }
  bool EnforcesReadOnlyOnCreate() override {
    std::string probe = scratch_ + "read-only probe";
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_READONLY, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;
    CloseHandle(h);
    // Asked of win32::LauncherFiles, which answers as Windows does where the host lets root write.
    launcher::FileHandle f = files_.CreateForWrite(probe.c_str());
    bool enforced = f == launcher::kNoFile;
    if (!enforced) files_.Close(f);
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(probe.c_str());
    return enforced;
  }

 private:
  static WIN32_FILE_ATTRIBUTE_DATA attributes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data;
  }
  launcher::win32::LauncherFiles files_;
  std::string scratch_;
  std::string drive_, driveTarget_;
};

}  // namespace

std::unique_ptr<LauncherFilesSide> MakeLauncherFilesSide() { return std::unique_ptr<LauncherFilesSide>(new Win32Side); }
