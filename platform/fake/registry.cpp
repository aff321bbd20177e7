#include "platform/fake/registry.h"

#include "platform/text.h"

namespace platform::fake {

// Upper-cased path with single "\" between levels; std::nullopt for an empty
// level, which the platform rejects. The root itself is "".
std::optional<std::string> Registry::Normalize(const std::string& path) {
  std::string p = UpperAscii(path);
  if (p.empty()) return p;
  if (p.front() == '\\' || p.find("\\\\") != std::string::npos) return std::nullopt;
  if (p.back() == '\\') p.pop_back();
  return p;
}

bool Registry::HasSubkeys(const Id& id) const {
  const std::string prefix = id.second.empty() ? "" : id.second + "\\";
  for (auto it = keys_.lower_bound({id.first, prefix}); it != keys_.end() && it->first.first == id.first;
       ++it) {
    if (it->first.second.empty()) continue;  // the root itself
    return it->first.second.compare(0, prefix.size(), prefix) == 0;
  }
  return false;
}

void Registry::PutKey(RegistryRoot root, const std::string& path) {
  auto p = Normalize(path);
  if (!p) return;
  std::string sofar;
  for (std::size_t start = 0; start <= p->size();) {
    auto slash = p->find('\\', start);
    if (slash == std::string::npos) slash = p->size();
    sofar = p->substr(0, slash);
    keys_[{root, sofar}];
    start = slash + 1;
  }
}

void Registry::PutValue(RegistryRoot root, const std::string& path, const std::string& name,
                        std::uint32_t type, const std::string& data) {
  PutKey(root, path);
  auto p = Normalize(path);
  if (!p) return;
  keys_[{root, *p}].values[UpperAscii(name)] = Value{type, {data.begin(), data.end()}};
}

bool Registry::HasKey(RegistryRoot root, const std::string& path) const {
  auto p = Normalize(path);
  return p && (p->empty() || keys_.count({root, *p}) > 0);
}

std::optional<Registry::Value> Registry::GetValue(RegistryRoot root, const std::string& path,
                                                  const std::string& name) const {
  auto p = Normalize(path);
  if (!p) return std::nullopt;
  auto key = keys_.find({root, *p});
  if (key == keys_.end()) return std::nullopt;
  auto value = key->second.values.find(UpperAscii(name));
  if (value == key->second.values.end()) return std::nullopt;
  return value->second;
}

std::vector<std::string> Registry::ValueNames(RegistryRoot root, const std::string& path) const {
  std::vector<std::string> names;
  auto p = Normalize(path);
  if (!p) return names;
  auto key = keys_.find({root, *p});
  if (key == keys_.end()) return names;
  for (const auto& [name, value] : key->second.values) names.push_back(name);
  return names;
}

std::set<std::string> Registry::AllKeys() const {
  std::set<std::string> all;
  for (const auto& [id, key] : keys_) {
    if (id.second.empty()) continue;
    const char* root = id.first == RegistryRoot::kClassesRoot   ? "HKCR\\"
                       : id.first == RegistryRoot::kCurrentUser ? "HKCU\\"
                                                                : "HKLM\\";
    all.insert(root + id.second);
  }
  return all;
}

RegistryKey Registry::NewHandle(const Id& id) {
  const RegistryKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = id;
  return handle;
}

Registry::Key* Registry::KeyOf(RegistryKey key, RegResult* failure) {
  auto handle = handles_.find(key);
  if (handle == handles_.end()) {
    *failure = RegResult::kInvalidHandle;
    return nullptr;
  }
  // A handle to the root key itself reaches an always-present key.
  auto it = keys_.find(handle->second);
  if (it == keys_.end() && handle->second.second.empty()) it = keys_.emplace(handle->second, Key{}).first;
  if (it == keys_.end()) {
    *failure = RegResult::kFailed;  // the key was deleted under the open handle
    return nullptr;
  }
  return &it->second;
}

RegResult Registry::DeleteKey(RegistryRoot root, const std::string& path) {
  if (denied_.count(root)) return RegResult::kAccessDenied;
  auto p = Normalize(path);
  if (!p) return RegResult::kFailed;
  if (p->empty()) return RegResult::kAccessDenied;
  const Id id{root, *p};
  if (!keys_.count(id)) return RegResult::kNotFound;
  if (HasSubkeys(id)) return RegResult::kAccessDenied;
  keys_.erase(id);
  return RegResult::kOk;
}

RegResult Registry::OpenKey(RegistryRoot root, const std::string& path, RegistryKey* key) {
  if (denied_.count(root)) return RegResult::kAccessDenied;
  auto p = Normalize(path);
  if (!p) return RegResult::kNotFound;
  if (!p->empty() && !keys_.count({root, *p})) return RegResult::kNotFound;
  *key = NewHandle({root, *p});
  return RegResult::kOk;
}

RegResult Registry::CreateKey(RegistryRoot root, const std::string& path, RegistryKey* key) {
  if (denied_.count(root)) return RegResult::kAccessDenied;
  auto p = Normalize(path);
  if (!p) return RegResult::kFailed;
  PutKey(root, *p);
  *key = NewHandle({root, *p});
  return RegResult::kOk;
}

RegResult Registry::DeleteValue(RegistryKey key, const std::string& name) {
  RegResult failure = RegResult::kOk;
  Key* k = KeyOf(key, &failure);
  if (!k) return failure;
  return k->values.erase(UpperAscii(name)) ? RegResult::kOk : RegResult::kNotFound;
}

RegResult Registry::QueryValue(RegistryKey key, const std::string& name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* size) {
  RegResult failure = RegResult::kOk;
  Key* k = KeyOf(key, &failure);
  if (!k) return failure;
  auto it = k->values.find(UpperAscii(name));
  if (it == k->values.end()) return RegResult::kNotFound;
  const Value& v = it->second;
  if (type) *type = v.type;
  const auto stored = static_cast<std::uint32_t>(v.data.size());
  if (!size) return data ? RegResult::kFailed : RegResult::kOk;
  if (data && stored > *size) {
    *size = stored;
    return RegResult::kMoreData;
  }
  if (data && stored) std::copy(v.data.begin(), v.data.end(), data);
  *size = stored;
  return RegResult::kOk;
}

RegResult Registry::SetValue(RegistryKey key, const std::string& name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  RegResult failure = RegResult::kOk;
  Key* k = KeyOf(key, &failure);
  if (!k) return failure;
  if (size && !data) return RegResult::kFailed;
  Value& v = k->values[UpperAscii(name)];
  v.type = type;
  v.data.assign(data, data + size);
  return RegResult::kOk;
}

RegResult Registry::CloseKey(RegistryKey key) {
  return handles_.erase(key) ? RegResult::kOk : RegResult::kInvalidHandle;
}

}  // namespace platform::fake
