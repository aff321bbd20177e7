#include "wizard/model/setup_paths.h"

namespace wizard {

std::string MakerDirectory(const platform::Environment& env) {
  return env.Variable("ProgramFiles").value_or("") + "\\Velmora";
}

std::string SetupPath(const platform::Environment& env) {
  return MakerDirectory(env) + "\\Quillon";
}

std::optional<std::string> FirstSearchPathDirectory(const platform::Environment& env) {
  std::string path = env.Variable("PATH").value_or("");
  if (path.empty()) return std::nullopt;
  return path.substr(0, path.find(';'));
}

}  // namespace wizard
