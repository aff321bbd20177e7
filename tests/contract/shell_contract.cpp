#include <gtest/gtest.h>

#include "tests/contract/contract_platform.h"

namespace {

TEST(ShellContract, SpecialFoldersByNameAndIndex) {
  auto p = MakeContractPlatform();
  auto object = p->shell().CreateShellObject();
  ASSERT_NE(object, nullptr);
  const auto appData = object->SpecialFolder("AppData");
  ASSERT_TRUE(appData);
  EXPECT_FALSE(appData->empty());
  // Index 5 of the collection is the roaming application data folder.
  EXPECT_EQ(object->SpecialFolder(5), appData);
  EXPECT_EQ(object->SpecialFolder("appdata"), appData);
  for (const char* name : {"Desktop", "StartMenu", "Programs"}) {
    const auto folder = object->SpecialFolder(name);
    ASSERT_TRUE(folder) << name;
    EXPECT_NE(folder->back(), '\\') << name;
  }
  EXPECT_EQ(object->SpecialFolder(4), object->SpecialFolder("Desktop"));
  EXPECT_EQ(object->SpecialFolder(16), object->SpecialFolder("Programs"));
  EXPECT_EQ(object->SpecialFolder("NoSuchFolder"), std::nullopt);
  EXPECT_EQ(object->SpecialFolder(-1), std::nullopt);
  EXPECT_EQ(object->SpecialFolder(platform::kSpecialFolderCount), std::nullopt);
}

}  // namespace
