#include "platform/win32/registry.h"

#include <windows.h>

#include <vector>

namespace platform::win32 {

namespace {

RegResult FromError(LONG error) {
  switch (error) {
    case ERROR_SUCCESS:
      return RegResult::kOk;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RegResult::kNotFound;
    case ERROR_ACCESS_DENIED:
      return RegResult::kAccessDenied;
    case ERROR_MORE_DATA:
      return RegResult::kMoreData;
    case ERROR_INVALID_HANDLE:
      return RegResult::kInvalidHandle;
    default:
      return RegResult::kFailed;
  }
}

HKEY RootHandle(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentUser:
      return HKEY_CURRENT_USER;
    case RegistryRoot::kLocalMachine:
      break;
  }
  return HKEY_LOCAL_MACHINE;
}

HKEY Handle(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

bool IsStringType(std::uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

RegResult Registry::DeleteKey(RegistryRoot root, const std::string& path) {
  return FromError(RegDeleteKeyA(RootHandle(root), path.c_str()));
}

RegResult Registry::OpenKey(RegistryRoot root, const std::string& path, RegistryKey* key) {
  HKEY opened = nullptr;
  const LONG error = RegOpenKeyExA(RootHandle(root), path.c_str(), 0, KEY_ALL_ACCESS, &opened);
  if (error == ERROR_SUCCESS) *key = reinterpret_cast<RegistryKey>(opened);
  return FromError(error);
}

RegResult Registry::CreateKey(RegistryRoot root, const std::string& path, RegistryKey* key) {
  HKEY created = nullptr;
  DWORD disposition = 0;
  char noClass[] = "";
  const LONG error = RegCreateKeyExA(RootHandle(root), path.c_str(), 0, noClass, REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, nullptr, &created, &disposition);
  if (error == ERROR_SUCCESS) *key = reinterpret_cast<RegistryKey>(created);
  return FromError(error);
}

RegResult Registry::DeleteValue(RegistryKey key, const std::string& name) {
  return FromError(RegDeleteValueA(Handle(key), name.c_str()));
}

RegResult Registry::QueryValue(RegistryKey key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
  DWORD t = 0;
  DWORD s = size ? *size : 0;
  const LONG error = RegQueryValueExA(Handle(key), name.c_str(), nullptr, &t, data, size ? &s : nullptr);
  if (type && (error == ERROR_SUCCESS || error == ERROR_MORE_DATA)) *type = t;
  if (size && (error == ERROR_SUCCESS || error == ERROR_MORE_DATA)) *size = s;
  return FromError(error);
}

RegResult Registry::SetValue(RegistryKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  // RegSetValueExA counts a string's terminating zero itself when the byte
  // just past the data is zero; a non-zero guard byte there keeps the stored
  // size exactly the one asked for.
  std::vector<BYTE> buffer(data, data + size);
  buffer.push_back(IsStringType(type) ? BYTE{1} : BYTE{0});
  return FromError(RegSetValueExA(Handle(key), name.c_str(), 0, type, buffer.data(), size));
}

RegResult Registry::CloseKey(RegistryKey key) { return FromError(RegCloseKey(Handle(key))); }

}  // namespace platform::win32
