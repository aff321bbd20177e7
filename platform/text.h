#pragma once

#include <string>

namespace platform {

// ASCII upper-casing, as Windows compares file and variable names.
std::string UpperAscii(std::string text);
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace platform
