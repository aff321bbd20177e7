#include "platform/fake/shell.h"

#include "platform/text.h"

namespace platform::fake {
namespace {

class FakeShortcut : public platform::Shortcut {
 public:
  FakeShortcut(platform::FileSystem* files, std::string path) : files_(files), path_(std::move(path)) {}
  void SetIconLocation(const std::string& file) override { icon_ = file; }
  void SetTargetPath(const std::string& file) override { target_ = file; }
  bool Save() override {
    return files_ && files_->WriteAll(path_, target_ + "|" + icon_) == FsResult::kOk;
  }

 private:
  platform::FileSystem* files_;
  std::string path_, target_, icon_;
};

class Object : public platform::ShellObject {
 public:
  explicit Object(Shell& shell) : shell_(shell) {}

  std::optional<std::string> SpecialFolder(const std::string& name) override {
    for (const auto& [key, path] : shell_.folders)
      if (EqualsNoCase(key, name)) return path;
    return std::nullopt;
  }

  std::optional<std::string> SpecialFolder(int index) override {
    if (index < 0 || index >= kSpecialFolderCount) return std::nullopt;
    return SpecialFolder(std::string(kSpecialFolderNames[index]));
  }

  std::unique_ptr<platform::Shortcut> CreateShortcut(const std::string& path) override {
    return std::make_unique<FakeShortcut>(shell_.files, path);
  }

 private:
  Shell& shell_;
};

}  // namespace

Shell::Shell(platform::FileSystem* fileSystem) : files(fileSystem) {
  const std::string profile = "C:\\Users\\tester";
  folders = {
      {"Desktop", profile + "\\Desktop"},
      {"AppData", profile + "\\AppData\\Roaming"},
      {"StartMenu", profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
      {"Programs", profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {"AllUsersDesktop", "C:\\Users\\Public\\Desktop"},
  };
}

std::unique_ptr<platform::ShellObject> Shell::CreateShellObject() {
  if (!available) return nullptr;
  ++objectsCreated;
  return std::make_unique<Object>(*this);
}

}  // namespace platform::fake

namespace platform::fake {

std::optional<Shell::ShortcutFile> Shell::ReadShortcut(const std::string& path) const {
  std::string content;
  if (!files || files->ReadAll(path, &content) != FsResult::kOk) return std::nullopt;
  const auto bar = content.find('|');
  if (bar == std::string::npos) return std::nullopt;
  return ShortcutFile{content.substr(0, bar), content.substr(bar + 1)};
}

}  // namespace platform::fake
