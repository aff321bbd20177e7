#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/shell.h"

namespace platform::fake {

// A shell whose special folders are set by the test; it can be made
// unavailable (no object at all) or to fail single folders. Shortcuts are
// written as small files into the given file system ("target|icon"), so
// they exist, can be replaced and fail in missing folders as real ones do.
class Shell : public platform::Shell {
 public:
  explicit Shell(platform::FileSystem* files = nullptr);

  struct ShortcutFile {
    std::string target, icon;
  };
  // The shortcut written at `path`, read back from the file system.
  std::optional<ShortcutFile> ReadShortcut(const std::string& path) const;

  bool available = true;
  // Folders by collection name; a name without an entry cannot be had.
  std::map<std::string, std::string> folders;
  int objectsCreated = 0;
  platform::FileSystem* files;

  std::unique_ptr<platform::ShellObject> CreateShellObject() override;
};

}  // namespace platform::fake
