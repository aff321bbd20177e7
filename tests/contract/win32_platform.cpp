#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/environment.h"
#include "platform/win32/file_system.h"
#include "platform/win32/registry.h"
#include "platform/win32/shell.h"
#include "tests/contract/contract_platform.h"

namespace {

class Win32Platform : public ContractPlatform {
 public:
  Win32Platform() {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "quillon-contract-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
    RemoveTree(scratch_);
    CreateDirectoryA(scratch_.c_str(), nullptr);
    registryScratch_ = std::string(kRegistryParent) + "\\" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(counter);
  }
  ~Win32Platform() override {
    for (const auto& held : heldDirectories_) CloseHandle(held.second);
    for (const auto& name : setVariables_) SetEnvironmentVariableA(name.c_str(), nullptr);
    RemoveTree(scratch_);
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      RegDeleteTreeA(root, registryScratch_.c_str());
      RegDeleteKeyA(root, registryScratch_.c_str());
      RegDeleteKeyA(root, kRegistryParent);  // only once no other test's key is left in it
    }
  }

  platform::Environment& env() override { return env_; }
  void SetVariable(const std::string& name, const std::string& value) override {
    setVariables_.push_back(name);
    SetEnvironmentVariableA(name.c_str(), value.c_str());
  }
  void UnsetVariable(const std::string& name) override { SetEnvironmentVariableA(name.c_str(), nullptr); }
  platform::FileSystem& files() override { return files_; }
  const std::string& scratch() override { return scratch_; }
  platform::Shell& shell() override { return shell_; }
  bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
    // Wine answers success without making anything: only a link that is
    // really there counts.
    CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    const DWORD a = GetFileAttributesA(link.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
  }
  bool HoldDirectory(const std::string& directory) override {
    // A directory opens only with backup semantics.
    HANDLE h = CreateFileA(directory.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    heldDirectories_.emplace(directory, h);
    return true;
  }
  void ReleaseDirectory(const std::string& directory) override {
    auto held = heldDirectories_.find(directory);
    if (held == heldDirectories_.end()) return;
    CloseHandle(held->second);
    heldDirectories_.erase(held);
  }
  platform::Registry& registry() override { return registry_; }
  const std::string& registryScratch() override { return registryScratch_; }

 private:
  void RemoveTree(const std::string& path) {
    std::vector<platform::DirectoryEntry> entries;
    if (files_.List(path, &entries) != platform::FsResult::kOk) return;
    for (const auto& e : entries) {
      const std::string child = path + "\\" + e.name;
      files_.SetAttributes(child, e.attributes & platform::kAttrDirectory);
      if (e.attributes & platform::kAttrDirectory)
        RemoveTree(child);
      else
        files_.EraseFile(child);
    }
    files_.EraseDirectory(path);
  }

  platform::win32::Environment env_;
  platform::win32::FileSystem files_;
  platform::win32::Shell shell_;
  platform::win32::Registry registry_;
  static constexpr const char* kRegistryParent = "Software\\QuillonContract";
  std::string registryScratch_;
  std::string scratch_;
  std::vector<std::string> setVariables_;
  std::multimap<std::string, HANDLE> heldDirectories_;
};

}  // namespace

std::unique_ptr<ContractPlatform> MakeContractPlatform() { return std::make_unique<Win32Platform>(); }
