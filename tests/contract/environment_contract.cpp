#include <gtest/gtest.h>

#include "tests/contract/contract_platform.h"

namespace {

TEST(EnvironmentContract, VariablesSetEmptyAndUnset) {
  auto p = MakeContractPlatform();
  p->SetVariable("QUILLON_CONTRACT_X", "C:\\A;C:\\B");
  EXPECT_EQ(p->env().Variable("QUILLON_CONTRACT_X"), "C:\\A;C:\\B");
  // Windows compares variable names without regard to case.
  EXPECT_EQ(p->env().Variable("quillon_contract_x"), "C:\\A;C:\\B");
  p->UnsetVariable("QUILLON_CONTRACT_X");
  EXPECT_EQ(p->env().Variable("QUILLON_CONTRACT_X"), std::nullopt);
  // A long value comes back whole.
  const std::string longValue(3000, 'v');
  p->SetVariable("QUILLON_CONTRACT_LONG", longValue);
  EXPECT_EQ(p->env().Variable("QUILLON_CONTRACT_LONG"), longValue);
}

TEST(EnvironmentContract, ProgramFolderIsAnExistingDirectory) {
  auto p = MakeContractPlatform();
  const std::string folder = p->env().ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(p->files().DirectoryExists(folder)) << folder;
}

}  // namespace
