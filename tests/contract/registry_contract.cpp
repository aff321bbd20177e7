#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/contract/contract_platform.h"

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegResult;

// The platform calls with the bookkeeping a test needs: every handle opened
// here is closed again.
struct Reg {
  platform::Registry& r;
  std::vector<RegistryKey> opened;
  ~Reg() {
    for (RegistryKey k : opened) r.CloseKey(k);
  }
  RegResult Create(RegistryRoot root, const std::string& path, RegistryKey* key) {
    RegResult result = r.CreateKey(root, path, key);
    if (result == RegResult::kOk) opened.push_back(*key);
    return result;
  }
  RegResult Open(RegistryRoot root, const std::string& path, RegistryKey* key) {
    RegResult result = r.OpenKey(root, path, key);
    if (result == RegResult::kOk) opened.push_back(*key);
    return result;
  }
  RegResult Set(RegistryKey key, const std::string& name, std::uint32_t type, const std::string& data) {
    return r.SetValue(key, name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                      static_cast<std::uint32_t>(data.size()));
  }
  // The stored bytes, read with a buffer of `room` bytes.
  RegResult Get(RegistryKey key, const std::string& name, std::uint32_t* type, std::string* data,
                std::uint32_t room = 1024) {
    std::vector<std::uint8_t> buffer(room, 0);
    std::uint32_t size = room;
    RegResult result = r.QueryValue(key, name, type, buffer.data(), &size);
    if (result == RegResult::kOk) data->assign(buffer.begin(), buffer.begin() + size);
    if (result == RegResult::kMoreData) data->assign(size, '?');  // only the needed size is known
    return result;
  }
};

TEST(RegistryContract, KeysAreCreatedOpenedAndNamedWithoutCase) {
  auto p = MakeContractPlatform();
  Reg reg{p->registry(), {}};
  const std::string base = p->registryScratch();
  RegistryKey key = 0;
  EXPECT_EQ(reg.Open(RegistryRoot::kCurrentUser, base, &key), RegResult::kNotFound);
  EXPECT_EQ(key, 0u);
  // Missing keys on the way are created too.
  ASSERT_EQ(reg.Create(RegistryRoot::kCurrentUser, base + "\\One\\Two", &key), RegResult::kOk);
  EXPECT_NE(key, 0u);
  ASSERT_EQ(reg.Set(key, "Value", platform::kRegSz, "kept"), RegResult::kOk);
  // Creating an existing key opens it unchanged.
  RegistryKey again = 0;
  ASSERT_EQ(reg.Create(RegistryRoot::kCurrentUser, base + "\\ONE\\two", &again), RegResult::kOk);
  std::uint32_t type = 0;
  std::string data;
  EXPECT_EQ(reg.Get(again, "VALUE", &type, &data), RegResult::kOk);
  EXPECT_EQ(data, "kept");
  EXPECT_EQ(reg.Open(RegistryRoot::kCurrentUser, base + "\\one", &key), RegResult::kOk);
  EXPECT_EQ(p->registry().CloseKey(0), RegResult::kInvalidHandle);
}

TEST(RegistryContract, TextIsStoredExactlyAsSized) {
  auto p = MakeContractPlatform();
  Reg reg{p->registry(), {}};
  RegistryKey key = 0;
  ASSERT_EQ(reg.Create(RegistryRoot::kCurrentUser, p->registryScratch(), &key), RegResult::kOk);
  std::uint32_t type = 0;
  std::string data;
  EXPECT_EQ(reg.Get(key, "", &type, &data), RegResult::kNotFound);  // a new key has no default value

  // Without a terminating zero the stored size is the text's length.
  ASSERT_EQ(reg.Set(key, "", platform::kRegSz, "default"), RegResult::kOk);
  ASSERT_EQ(reg.Set(key, "Name", platform::kRegSz, "abc"), RegResult::kOk);
  EXPECT_EQ(reg.Get(key, "", &type, &data), RegResult::kOk);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(data, "default");
  EXPECT_EQ(reg.Get(key, "Name", &type, &data), RegResult::kOk);
  EXPECT_EQ(data, "abc");
  // With one, it is part of the data.
  ASSERT_EQ(reg.Set(key, "Zero", platform::kRegSz, std::string("abc\0", 4)), RegResult::kOk);
  EXPECT_EQ(reg.Get(key, "Zero", &type, &data), RegResult::kOk);
  EXPECT_EQ(data, std::string("abc\0", 4));

  ASSERT_EQ(reg.Set(key, "Count", platform::kRegDword, std::string("\x01\0\0\0", 4)), RegResult::kOk);
  EXPECT_EQ(reg.Get(key, "count", &type, &data), RegResult::kOk);
  EXPECT_EQ(type, platform::kRegDword);
  EXPECT_EQ(data, std::string("\x01\0\0\0", 4));

  // Past the buffer: more data, with the size needed and the type.
  const std::string big(1500, 'b');
  ASSERT_EQ(reg.Set(key, "Big", platform::kRegSz, big), RegResult::kOk);
  type = 0;
  EXPECT_EQ(reg.Get(key, "Big", &type, &data, 1024), RegResult::kMoreData);
  EXPECT_EQ(type, platform::kRegSz);
  EXPECT_EQ(data.size(), big.size());
  EXPECT_EQ(reg.Get(key, "Big", &type, &data, 1500), RegResult::kOk);
  EXPECT_EQ(data, big);
}

TEST(RegistryContract, DeletionRules) {
  auto p = MakeContractPlatform();
  Reg reg{p->registry(), {}};
  const std::string base = p->registryScratch();
  RegistryKey key = 0, child = 0;
  ASSERT_EQ(reg.Create(RegistryRoot::kCurrentUser, base, &key), RegResult::kOk);
  ASSERT_EQ(reg.Set(key, "", platform::kRegSz, "default"), RegResult::kOk);
  ASSERT_EQ(reg.Set(key, "Other", platform::kRegSz, "other"), RegResult::kOk);
  EXPECT_EQ(p->registry().DeleteValue(key, "Missing"), RegResult::kNotFound);
  EXPECT_EQ(p->registry().DeleteValue(key, ""), RegResult::kOk);
  std::uint32_t type = 0;
  std::string data;
  EXPECT_EQ(reg.Get(key, "", &type, &data), RegResult::kNotFound);
  EXPECT_EQ(reg.Get(key, "Other", &type, &data), RegResult::kOk);

  ASSERT_EQ(reg.Create(RegistryRoot::kCurrentUser, base + "\\Child", &child), RegResult::kOk);
  // A key with a subkey refuses deletion and keeps its values.
  EXPECT_EQ(p->registry().DeleteKey(RegistryRoot::kCurrentUser, base), RegResult::kAccessDenied);
  EXPECT_EQ(reg.Get(key, "Other", &type, &data), RegResult::kOk);
  EXPECT_EQ(p->registry().DeleteKey(RegistryRoot::kCurrentUser, base + "\\child"), RegResult::kOk);
  EXPECT_EQ(p->registry().DeleteKey(RegistryRoot::kCurrentUser, base), RegResult::kOk);
  RegistryKey gone = 0;
  EXPECT_EQ(reg.Open(RegistryRoot::kCurrentUser, base, &gone), RegResult::kNotFound);
  EXPECT_EQ(p->registry().DeleteKey(RegistryRoot::kCurrentUser, base), RegResult::kNotFound);
}

TEST(RegistryContract, EveryRootTheInstallWrites) {
  auto p = MakeContractPlatform();
  Reg reg{p->registry(), {}};
  for (RegistryRoot root : {RegistryRoot::kClassesRoot, RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine}) {
    SCOPED_TRACE(static_cast<std::uint32_t>(root));
    const std::string path = p->registryScratch() + "\\Root";
    RegistryKey key = 0;
    ASSERT_EQ(reg.Create(root, path, &key), RegResult::kOk);
    ASSERT_EQ(reg.Set(key, "", platform::kRegSz, "{F7F88BEB-D85E-4905-A8D8-252A82C443FF}"), RegResult::kOk);
    RegistryKey opened = 0;
    ASSERT_EQ(reg.Open(root, path, &opened), RegResult::kOk);
    std::uint32_t type = 0;
    std::string data;
    EXPECT_EQ(reg.Get(opened, "", &type, &data), RegResult::kOk);
    EXPECT_EQ(data, "{F7F88BEB-D85E-4905-A8D8-252A82C443FF}");
    EXPECT_EQ(p->registry().DeleteKey(root, path), RegResult::kOk);
  }
}

}  // namespace
