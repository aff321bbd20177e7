#pragma once

#include "platform/registry.h"

namespace platform::win32 {

// The registry through the ANSI functions of advapi32.
class Registry : public platform::Registry {
 public:
  RegResult DeleteKey(RegistryRoot root, const std::string& path) override;
  RegResult OpenKey(RegistryRoot root, const std::string& path, RegistryKey* key) override;
  RegResult CreateKey(RegistryRoot root, const std::string& path, RegistryKey* key) override;
  RegResult DeleteValue(RegistryKey key, const std::string& name) override;
  RegResult QueryValue(RegistryKey key, const std::string& name, std::uint32_t* type,
                       std::uint8_t* data, std::uint32_t* size) override;
  RegResult SetValue(RegistryKey key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegResult CloseKey(RegistryKey key) override;
};

}  // namespace platform::win32
