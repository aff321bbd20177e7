#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/shell.h"

namespace platform::fake {

// A shell whose special folders are set by the test; it can be made
// unavailable (no object at all) or to fail single folders.
class Shell : public platform::Shell {
 public:
  Shell();

  bool available = true;
  // Folders by collection name; a name without an entry cannot be had.
  std::map<std::string, std::string> folders;
  int objectsCreated = 0;

  std::unique_ptr<platform::ShellObject> CreateShellObject() override;
};

}  // namespace platform::fake
