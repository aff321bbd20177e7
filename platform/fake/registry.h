#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace platform::fake {

// In-memory hives with the platform's rules: names compare case-insensitively,
// a key with subkeys refuses deletion, a root can be made inaccessible, data
// are stored byte for byte as given.
class Registry : public platform::Registry {
 public:
  struct Value {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;
    std::string text() const { return std::string(data.begin(), data.end()); }
  };

  // Test set-up and inspection, bypassing access rules.
  void PutKey(RegistryRoot root, const std::string& path);
  void PutValue(RegistryRoot root, const std::string& path, const std::string& name,
                std::uint32_t type, const std::string& data);
  bool HasKey(RegistryRoot root, const std::string& path) const;
  std::optional<Value> GetValue(RegistryRoot root, const std::string& path,
                                const std::string& name) const;
  // Value names of a key, upper-cased, sorted.
  std::vector<std::string> ValueNames(RegistryRoot root, const std::string& path) const;
  // Every key of a root ("ROOT\PATH" upper-cased), sorted.
  std::set<std::string> AllKeys() const;

  // Fault: every open, create and delete under `root` is refused.
  void DenyAccess(RegistryRoot root) { denied_.insert(root); }
  std::size_t openHandles() const { return handles_.size(); }

  RegResult DeleteKey(RegistryRoot root, const std::string& path) override;
  RegResult OpenKey(RegistryRoot root, const std::string& path, RegistryKey* key) override;
  RegResult CreateKey(RegistryRoot root, const std::string& path, RegistryKey* key) override;
  RegResult DeleteValue(RegistryKey key, const std::string& name) override;
  RegResult QueryValue(RegistryKey key, const std::string& name, std::uint32_t* type,
                       std::uint8_t* data, std::uint32_t* size) override;
  RegResult SetValue(RegistryKey key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override;
  RegResult CloseKey(RegistryKey key) override;

 private:
  struct Key {
    std::map<std::string, Value> values;  // by upper-cased name
  };
  using Id = std::pair<RegistryRoot, std::string>;  // root and upper-cased path

  static std::optional<std::string> Normalize(const std::string& path);
  bool HasSubkeys(const Id& id) const;
  // The key behind an open handle, or nullptr (closed handle, key deleted).
  Key* KeyOf(RegistryKey key, RegResult* failure);
  RegistryKey NewHandle(const Id& id);

  std::map<Id, Key> keys_;
  std::map<RegistryKey, Id> handles_;
  RegistryKey nextHandle_ = 0x100;
  std::set<RegistryRoot> denied_;
};

}  // namespace platform::fake
