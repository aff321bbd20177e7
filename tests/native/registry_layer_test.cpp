#include <gtest/gtest.h>

#include "platform/fake/environment.h"
#include "platform/fake/registry.h"
#include "tests/native/expected_values.h"
#include "wizard/engine/product_registry.h"
#include "wizard/engine/registry_layer.h"

namespace {

using platform::RegistryRoot;
using platform::fake::Registry;

constexpr auto kUser = RegistryRoot::kCurrentUser;
const char* const kKey = "Software\\Test";

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// A text as stored: with its terminating zero.
std::string Sz(const std::string& text) { return text + '\0'; }

TEST(RegistryLayer, NewValuesAreTextWithTerminatingZero) {
  Registry reg;
  reg.PutKey(kUser, kKey);
  EXPECT_TRUE(wizard::SetRegistryValue(reg, kUser, kKey, "", "default text"));
  EXPECT_TRUE(wizard::SetRegistryValue(reg, kUser, kKey, "Name", "abc"));
  auto def = reg.GetValue(kUser, kKey, "");
  ASSERT_TRUE(def);
  EXPECT_EQ(def->type, platform::kRegSz);
  EXPECT_EQ(def->text(), Sz("default text"));
  auto named = reg.GetValue(kUser, kKey, "NAME");
  ASSERT_TRUE(named);
  EXPECT_EQ(named->data.size(), 4u);
  // Replacing keeps the type and the stored size follows the new text.
  EXPECT_TRUE(wizard::SetRegistryValue(reg, kUser, kKey, "Name", "x"));
  EXPECT_EQ(reg.GetValue(kUser, kKey, "Name")->text(), Sz("x"));
  EXPECT_EQ(reg.openHandles(), 0u);
}

TEST(RegistryLayer, ExistingDwordTakesTheRoundedNumber) {
  struct Case {
    const char* text;
    std::string bytes;
  };
  const Case cases[] = {
      {"1", Bytes({1, 0, 0, 0})},
      {"258", Bytes({2, 1, 0, 0})},
      {"4294967295", Bytes({255, 255, 255, 255})},
      {"2.5", Bytes({2, 0, 0, 0})},  // halves go to the even neighbour
      {"3.5", Bytes({4, 0, 0, 0})},
      {"2.51", Bytes({3, 0, 0, 0})},
      {" 12abc", Bytes({12, 0, 0, 0})},  // the reader stops at the first non-number
      {"1e2", Bytes({100, 0, 0, 0})},
      {"0x10", Bytes({0, 0, 0, 0})},
      {"text", Bytes({0, 0, 0, 0})},
      {"", Bytes({0, 0, 0, 0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Registry reg;
    reg.PutValue(kUser, kKey, "Count", platform::kRegDword, Bytes({9, 9, 9, 9}));
    EXPECT_TRUE(wizard::SetRegistryValue(reg, kUser, kKey, "count", c.text));
    auto v = reg.GetValue(kUser, kKey, "Count");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, platform::kRegDword);
    EXPECT_EQ(v->text(), c.bytes);
  }
}

TEST(RegistryLayer, RefusesWhatItCannotWriteFaithfully) {
  Registry reg;
  // No key: nothing is created.
  EXPECT_FALSE(wizard::SetRegistryValue(reg, kUser, "Software\\Missing", "v", "x"));
  EXPECT_FALSE(reg.HasKey(kUser, "Software\\Missing"));
  // More than the 1024-byte query buffer: left as it was.
  const std::string big(1025, 'b');
  reg.PutValue(kUser, kKey, "Big", platform::kRegSz, big);
  EXPECT_FALSE(wizard::SetRegistryValue(reg, kUser, kKey, "Big", "small"));
  EXPECT_EQ(reg.GetValue(kUser, kKey, "Big")->text(), big);
  // Exactly 1024 bytes still fit.
  reg.PutValue(kUser, kKey, "Edge", platform::kRegSz, std::string(1024, 'e'));
  EXPECT_TRUE(wizard::SetRegistryValue(reg, kUser, kKey, "Edge", "small"));
  // Other types are not written over.
  reg.PutValue(kUser, kKey, "Bin", platform::kRegBinary, "\x01\x02");
  EXPECT_FALSE(wizard::SetRegistryValue(reg, kUser, kKey, "Bin", "x"));
  EXPECT_EQ(reg.GetValue(kUser, kKey, "Bin")->text(), "\x01\x02");
  // No right to the root.
  reg.DenyAccess(kUser);
  EXPECT_FALSE(wizard::SetRegistryValue(reg, kUser, kKey, "Edge", "x"));
  EXPECT_EQ(reg.openHandles(), 0u);
}

TEST(RegistryLayer, DeletesAndCreatesQuietly) {
  Registry reg;
  wizard::DeleteRegistryValue(reg, kUser, "Software\\Nowhere", "v");
  wizard::DeleteRegistryKey(reg, kUser, "Software\\Nowhere");
  EXPECT_FALSE(reg.HasKey(kUser, "Software\\Nowhere"));

  reg.PutValue(kUser, kKey, "", platform::kRegSz, "default");
  reg.PutValue(kUser, kKey, "Other", platform::kRegSz, "kept");
  wizard::CreateRegistryKey(reg, kUser, kKey);  // an existing key stays as it is
  EXPECT_EQ(reg.ValueNames(kUser, kKey).size(), 2u);
  wizard::DeleteRegistryValue(reg, kUser, kKey, "");
  EXPECT_FALSE(reg.GetValue(kUser, kKey, ""));
  EXPECT_TRUE(reg.GetValue(kUser, kKey, "Other"));

  // A key with subkeys stays; without, it goes with its values.
  reg.PutKey(kUser, "Software\\Test\\Child");
  wizard::DeleteRegistryKey(reg, kUser, kKey);
  EXPECT_TRUE(reg.HasKey(kUser, kKey));
  wizard::DeleteRegistryKey(reg, kUser, "Software\\Test\\Child");
  wizard::DeleteRegistryKey(reg, kUser, kKey);
  EXPECT_FALSE(reg.HasKey(kUser, kKey));

  wizard::CreateRegistryKey(reg, kUser, "Software\\A\\B\\C");
  EXPECT_TRUE(reg.HasKey(kUser, "Software\\A\\B"));
  EXPECT_TRUE(reg.HasKey(kUser, "software\\a\\b\\c"));
  EXPECT_EQ(reg.openHandles(), 0u);
}

// An earlier install: its settings, run-once value, handler and uninstall
// record, beside entries of other programs that must survive.
void PutEarlierInstall(Registry& reg) {
  reg.PutValue(kUser, kSettingsKey, "STARTUP_PICTURE_PATH", platform::kRegSz, "C:\\p.bmp");
  reg.PutValue(kUser, kSettingsKey, "AUTORUN", platform::kRegSz, "1");
  reg.PutValue(kUser, kSettingsKey, "WINDOW_TITLEBAR_TEXT", platform::kRegSz, "Q");
  reg.PutValue(RegistryRoot::kLocalMachine, kRunOnceKey, "Quillen", platform::kRegSz, "x.exe");
  reg.PutValue(RegistryRoot::kLocalMachine, kRunOnceKey, "Quillon", platform::kRegSz, "other");
  reg.PutValue(RegistryRoot::kClassesRoot, kHandlerKey, "", platform::kRegSz, "{old}");
  reg.PutValue(RegistryRoot::kLocalMachine, kUninstallKey, "DisplayName", platform::kRegSz, "Old");
  reg.PutValue(RegistryRoot::kLocalMachine, kUninstallKey, "UninstallString", platform::kRegSz, "u");
  reg.PutValue(RegistryRoot::kLocalMachine, kUninstallKey, "InstallLocation", platform::kRegSz, "C:\\");
}

TEST(ProductRegistry, CleanUpRemovesTheEarlierInstall) {
  Registry reg;
  PutEarlierInstall(reg);
  wizard::CleanUpEarlierInstall(reg);
  EXPECT_FALSE(reg.HasKey(kUser, kSettingsKey));
  EXPECT_FALSE(reg.HasKey(RegistryRoot::kClassesRoot, kHandlerKey));
  EXPECT_FALSE(reg.HasKey(RegistryRoot::kLocalMachine, kUninstallKey));
  EXPECT_FALSE(reg.GetValue(RegistryRoot::kLocalMachine, kRunOnceKey, "Quillen"));
  EXPECT_TRUE(reg.GetValue(RegistryRoot::kLocalMachine, kRunOnceKey, "Quillon"));
  EXPECT_EQ(reg.openHandles(), 0u);

  // On a clean machine nothing appears.
  Registry clean;
  wizard::CleanUpEarlierInstall(clean);
  EXPECT_TRUE(clean.AllKeys().empty());
}

TEST(ProductRegistry, KeysWithSubkeysKeepTheirRemainingValues) {
  Registry reg;
  PutEarlierInstall(reg);
  reg.PutKey(kUser, std::string(kSettingsKey) + "\\Sub");
  reg.PutKey(RegistryRoot::kLocalMachine, std::string(kUninstallKey) + "\\Sub");
  reg.PutValue(RegistryRoot::kLocalMachine, kUninstallKey, "VersionMajor", platform::kRegDword,
               Bytes({7, 0, 0, 0}));
  wizard::CleanUpEarlierInstall(reg);
  EXPECT_TRUE(reg.ValueNames(kUser, kSettingsKey).empty());
  EXPECT_EQ(reg.ValueNames(RegistryRoot::kLocalMachine, kUninstallKey),
            (std::vector<std::string>{"INSTALLLOCATION", "VERSIONMAJOR"}));

  platform::fake::Environment env;
  env.Set("ProgramFiles", "C:\\Program Files");
  wizard::WriteUninstallRecord(reg, env);
  // A value that survived keeps its type.
  auto major = reg.GetValue(RegistryRoot::kLocalMachine, kUninstallKey, "VersionMajor");
  EXPECT_EQ(major->type, platform::kRegDword);
  EXPECT_EQ(major->text(), Bytes({1, 0, 0, 0}));
}

TEST(ProductRegistry, HandlerAndUninstallRecord) {
  Registry reg;
  platform::fake::Environment env;
  env.Set("ProgramFiles", "D:\\Apps");
  wizard::WriteContextMenuHandler(reg);
  wizard::WriteUninstallRecord(reg, env);
  EXPECT_EQ(reg.ValueNames(RegistryRoot::kClassesRoot, kHandlerKey), std::vector<std::string>{""});
  EXPECT_EQ(reg.GetValue(RegistryRoot::kClassesRoot, kHandlerKey, "")->text(),
            Sz(kHandlerClassId));

  const std::pair<const char*, const char*> expected[] = {
      {"DisplayName", "Quillon (1.0.2105.34041)"},
      {"UninstallString", "D:\\Apps\\Velmora\\Quillon\\uninstall.exe"},
      {"HelpLink", "http://www.velmora.com/help"},
      {"Publisher", "Velmora Development Team"},
      {"VersionMajor", "1"},
      {"VersionMinor", "0"},
      {"URLUpdateInfo", "http://www.velmora.com/updates.asp"},
  };
  EXPECT_EQ(reg.ValueNames(RegistryRoot::kLocalMachine, kUninstallKey).size(), 7u);
  for (const auto& [name, text] : expected) {
    SCOPED_TRACE(name);
    auto v = reg.GetValue(RegistryRoot::kLocalMachine, kUninstallKey, name);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, platform::kRegSz);
    EXPECT_EQ(v->text(), Sz(text));
  }
  EXPECT_EQ(reg.openHandles(), 0u);
}

}  // namespace
