#include "platform/fake/environment.h"

#include "platform/text.h"

namespace platform::fake {

void Environment::Set(const std::string& name, const std::string& value) {
  variables_[UpperAscii(name)] = value;
}

void Environment::Unset(const std::string& name) { variables_.erase(UpperAscii(name)); }

std::optional<std::string> Environment::Variable(const std::string& name) const {
  auto it = variables_.find(UpperAscii(name));
  if (it == variables_.end()) return std::nullopt;
  return it->second;
}

}  // namespace platform::fake
