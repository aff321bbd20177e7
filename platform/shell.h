#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

// A shortcut being made: nothing is written until Save.
class Shortcut {
 public:
  virtual ~Shortcut() = default;
  virtual void SetIconLocation(const std::string& file) = 0;
  virtual void SetTargetPath(const std::string& file) = 0;
  // Writes the shortcut file, replacing one of the same name; false when it
  // cannot be written (a missing folder, no right).
  virtual bool Save() = 0;
};

// The shell's object for special folders and shortcuts, shaped like the
// script host's shell object. Single thread.
class ShellObject {
 public:
  virtual ~ShellObject() = default;

  // SpecialFolders.Item by name ("Desktop", "StartMenu", "Programs", "AppData",
  // "AllUsersDesktop", ...), matched case-insensitively. std::nullopt when the
  // name is unknown or the folder cannot be had.
  virtual std::optional<std::string> SpecialFolder(const std::string& name) = 0;

  // SpecialFolders.Item by index, in the collection's order (kSpecialFolderNames);
  // index 5 is the roaming application data folder.
  virtual std::optional<std::string> SpecialFolder(int index) = 0;

  // A shortcut object for the shortcut file at `path`.
  virtual std::unique_ptr<Shortcut> CreateShortcut(const std::string& path) = 0;
};

// The order of the script host's special-folder collection.
inline constexpr const char* kSpecialFolderNames[] = {
    "AllUsersDesktop", "AllUsersStartMenu", "AllUsersPrograms", "AllUsersStartup",
    "Desktop",         "AppData",           "PrintHood",        "Templates",
    "Fonts",           "NetHood",           "StartMenu",        "SendTo",
    "Recent",          "Startup",           "Favorites",        "MyDocuments",
    "Programs",
};
inline constexpr int kSpecialFolderCount =
    static_cast<int>(sizeof(kSpecialFolderNames) / sizeof(kSpecialFolderNames[0]));

// Creates shell objects; nullptr when the platform cannot provide one.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual std::unique_ptr<ShellObject> CreateShellObject() = 0;
};

}  // namespace platform
