#include "platform/fake/processes.h"

#include "platform/text.h"

namespace platform::fake {

bool Processes::StartCommandLine(const std::string& commandLine) {
  if (commandLinesFail) return false;
  started.push_back({Kind::kCommandLine, commandLine});
  return true;
}

bool Processes::StartProgram(const std::string& path) {
  if (!programs.count(UpperAscii(path))) return false;
  started.push_back({Kind::kProgram, path});
  return true;
}

bool Processes::StartHiddenBatch(const std::string& path) {
  started.push_back({Kind::kHiddenBatch, path});
  return true;
}

std::vector<std::string> Processes::Of(Kind kind) const {
  std::vector<std::string> texts;
  for (const auto& s : started)
    if (s.kind == kind) texts.push_back(s.text);
  return texts;
}

}  // namespace platform::fake
