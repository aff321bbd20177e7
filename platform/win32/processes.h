#pragma once

#include "platform/processes.h"

namespace platform::win32 {

class Processes : public platform::Processes {
 public:
  bool StartCommandLine(const std::string& commandLine) override;
  bool StartProgram(const std::string& path) override;
  bool StartHiddenBatch(const std::string& path) override;
  std::optional<std::string> BatchText(const std::string& text) const override;
};

// `text` in code page `from` as the same characters in code page `to` (any
// Windows code page, UTF-8 among them); std::nullopt when a character has no
// exact equivalent there.
std::optional<std::string> Recode(const std::string& text, unsigned from, unsigned to);

}  // namespace platform::win32
