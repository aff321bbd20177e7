#include "platform/text.h"

namespace platform {

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return UpperAscii(a) == UpperAscii(b);
}

}  // namespace platform
