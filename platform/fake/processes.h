#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace platform::fake {

// Records what was started; a program file starts only when it is listed in
// `programs` (a file that is not there cannot be started).
class Processes : public platform::Processes {
 public:
  enum class Kind { kCommandLine, kProgram, kHiddenBatch };
  struct Started {
    Kind kind;
    std::string text;
  };

  std::vector<Started> started;
  std::set<std::string> programs;  // upper-cased paths that exist
  bool commandLinesFail = false;

  bool StartCommandLine(const std::string& commandLine) override;
  bool StartProgram(const std::string& path) override;
  bool StartHiddenBatch(const std::string& path) override;
  // As the ANSI text; bytes listed in `unmappable` have no equivalent.
  std::optional<std::string> BatchText(const std::string& text) const override;
  std::string unmappable;

  // The texts started of one kind, in order.
  std::vector<std::string> Of(Kind kind) const;
};

}  // namespace platform::fake
