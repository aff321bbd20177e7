#pragma once

#include <string>

#include "platform/registry.h"

namespace wizard {

// The four registry operations of the install. Each opens what it needs,
// does one thing and closes its handle; none reports a failure except
// SetRegistryValue, whose result no caller needs.

// Removes the key with its values; a key with subkeys stays.
void DeleteRegistryKey(platform::Registry& registry, platform::RegistryRoot root, const std::string& path);
// Removes one value ("" is the default value); nothing when key or value are missing.
void DeleteRegistryValue(platform::Registry& registry, platform::RegistryRoot root,
                         const std::string& path, const std::string& name);
// Creates the key and the missing keys on the way; an existing key is left as it is.
void CreateRegistryKey(platform::Registry& registry, platform::RegistryRoot root, const std::string& path);

// Writes `text` into a value of an existing key. A new value becomes REG_SZ;
// an existing value keeps its type: REG_SZ takes the text and its terminating
// zero, REG_DWORD the number at the text's start, rounded half to even. True
// when the value was written; false for a missing key, existing data over
// 1024 bytes, or any other existing type.
bool SetRegistryValue(platform::Registry& registry, platform::RegistryRoot root, const std::string& path,
                      const std::string& name, const std::string& text);

}  // namespace wizard
