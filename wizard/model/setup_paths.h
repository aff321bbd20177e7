#pragma once

#include <optional>
#include <string>

#include "platform/environment.h"

namespace wizard {

// The install directory: "ProgramFiles" + "\Velmora\Quillon". Never stored:
// every caller reads the variable again (an unset one yields the tail alone).
std::string SetupPath(const platform::Environment& env);

// The maker's directory: "ProgramFiles" + "\Velmora".
std::string MakerDirectory(const platform::Environment& env);

// "PATH" up to its first ";" (the whole value without one); std::nullopt when
// "PATH" is unset or empty.
std::optional<std::string> FirstSearchPathDirectory(const platform::Environment& env);

}  // namespace wizard
