#include "platform/fake/shell.h"

#include "platform/text.h"

namespace platform::fake {
namespace {

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

 private:
  Shell& shell_;
};

}  // namespace

Shell::Shell() {
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
