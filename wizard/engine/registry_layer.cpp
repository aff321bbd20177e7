#include "wizard/engine/registry_layer.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "wizard/engine/rounding.h"

namespace wizard {

using platform::RegistryKey;
using platform::RegResult;

namespace {

constexpr std::uint32_t kQueryBufferSize = 1024;

// A handle that is closed on every way out, null or not, as the layer always
// closes what it asked for.
class KeyHandle {
 public:
  explicit KeyHandle(platform::Registry& registry) : registry_(registry) {}
  ~KeyHandle() { registry_.CloseKey(key); }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  RegistryKey key = 0;

 private:
  platform::Registry& registry_;
};

// The number at the start of `text` as a DWORD, rounded half to even; 0 when
// the text does not start with one.
std::uint32_t RegistryDwordFromText(const std::string& text) {
  // Only the decimal number at the start counts: blanks, an optional sign,
  // digits, a fraction and an exponent; whatever follows is ignored (no hex,
  // no "inf", which a general reader would take).
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  const std::size_t start = i;
  if (text[i] == '+' || text[i] == '-') ++i;
  auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i > from;
  };
  bool any = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    any = digits() || any;
  }
  if (!any) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    const std::size_t mark = i++;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!digits()) i = mark;
  }
  const double number = std::strtod(text.substr(start, i - start).c_str(), nullptr);
  if (!(number > 0)) return 0;
  if (number >= 4294967295.0) return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(RoundHalfEven(number));
}

}  // namespace

void DeleteRegistryKey(platform::Registry& registry, platform::RegistryRoot root, const std::string& path) {
  registry.DeleteKey(root, path);
}

void DeleteRegistryValue(platform::Registry& registry, platform::RegistryRoot root,
                         const std::string& path, const std::string& name) {
  KeyHandle handle(registry);
  registry.OpenKey(root, path, &handle.key);
  registry.DeleteValue(handle.key, name);
}

void CreateRegistryKey(platform::Registry& registry, platform::RegistryRoot root, const std::string& path) {
  KeyHandle handle(registry);
  registry.CreateKey(root, path, &handle.key);
}

bool SetRegistryValue(platform::Registry& registry, platform::RegistryRoot root, const std::string& path,
                      const std::string& name, const std::string& text) {
  KeyHandle handle(registry);
  if (registry.OpenKey(root, path, &handle.key) != RegResult::kOk) return false;

  std::vector<std::uint8_t> existing(kQueryBufferSize, 0);
  std::uint32_t type = platform::kRegNone;
  std::uint32_t size = kQueryBufferSize;
  switch (registry.QueryValue(handle.key, name, &type, existing.data(), &size)) {
    case RegResult::kOk:
      break;
    case RegResult::kNotFound:
      type = platform::kRegSz;
      break;
    default:
      return false;
  }

  std::vector<std::uint8_t> data;
  if (type == platform::kRegSz) {
    // Stored with its terminating zero: readers that trust the stored size
    // (the installed-programs list among them) otherwise show what follows.
    data.assign(text.begin(), text.end());
    data.push_back(0);
  } else if (type == platform::kRegDword) {
    std::uint32_t n = RegistryDwordFromText(text);
    for (int i = 0; i < 4; ++i) {
      data.push_back(static_cast<std::uint8_t>(n % 256));
      n /= 256;
    }
  } else {
    return false;
  }
  return registry.SetValue(handle.key, name, type, data.data(), static_cast<std::uint32_t>(data.size())) ==
         RegResult::kOk;
}

}  // namespace wizard
