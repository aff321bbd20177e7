#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The three predefined roots the wizard uses, by their handle values
// (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE).
enum class RegistryRoot : std::uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
};

// Outcome of a registry call; the platform's error codes are mapped to these
// at the boundary and nowhere else.
enum class RegResult {
  kOk,
  kNotFound,       // ERROR_FILE_NOT_FOUND: no such key or value
  kAccessDenied,   // ERROR_ACCESS_DENIED: no right, or a key that still has subkeys
  kMoreData,       // ERROR_MORE_DATA: the data do not fit the caller's buffer
  kInvalidHandle,  // ERROR_INVALID_HANDLE: a null or closed key
  kFailed,         // anything else
};

// Value types, numerically the platform's REG_* values.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
};

// An open key; 0 is the null handle.
using RegistryKey = std::uintptr_t;

// The registry as the ANSI advapi32 functions reach it. Key paths are ANSI
// texts below the root with "\" between levels; key and value names compare
// case-insensitively; the empty value name is the key's default value. Every
// open and create asks for full access (KEY_ALL_ACCESS). Single thread; no
// call throws.
class Registry {
 public:
  virtual ~Registry() = default;

  // RegDeleteKeyA: removes the key with its values. A key that still has
  // subkeys is refused with kAccessDenied and stays as it is.
  virtual RegResult DeleteKey(RegistryRoot root, const std::string& path) = 0;

  // RegOpenKeyExA: *key is written only on success.
  virtual RegResult OpenKey(RegistryRoot root, const std::string& path, RegistryKey* key) = 0;

  // RegCreateKeyExA (non-volatile, default security): creates the missing
  // keys on the way, opens an existing key unchanged.
  virtual RegResult CreateKey(RegistryRoot root, const std::string& path, RegistryKey* key) = 0;

  // RegDeleteValueA.
  virtual RegResult DeleteValue(RegistryKey key, const std::string& name) = 0;

  // RegQueryValueExA into `data`, which holds *size bytes. On success *type
  // and *size (the bytes stored) are set. kMoreData when the data do not fit:
  // *type is set, *size becomes the size needed and `data` is not to be
  // trusted. kNotFound for a missing value.
  virtual RegResult QueryValue(RegistryKey key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) = 0;

  // RegSetValueExA: stores exactly `size` bytes of `data` under `type`.
  virtual RegResult SetValue(RegistryKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) = 0;

  // RegCloseKey; the null handle gives kInvalidHandle.
  virtual RegResult CloseKey(RegistryKey key) = 0;
};

}  // namespace platform
