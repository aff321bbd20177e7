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
  if (path.find_first_of("%\"") != std::string::npos) return false;
  started.push_back({Kind::kHiddenBatch, path});
  return true;
}

std::optional<std::string> Processes::BatchText(const std::string& text) const {
  if (text.find_first_of(unmappable) != std::string::npos) return std::nullopt;
  return text;
}

std::vector<std::string> Processes::Of(Kind kind) const {
  std::vector<std::string> texts;
  for (const auto& s : started)
    if (s.kind == kind) texts.push_back(s.text);
  return texts;
}

}  // namespace platform::fake
