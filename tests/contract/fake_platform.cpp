#include "platform/fake/environment.h"
#include "platform/fake/file_system.h"
#include "platform/fake/shell.h"
#include "tests/contract/contract_platform.h"

namespace {

class FakePlatform : public ContractPlatform {
 public:
  FakePlatform() {
    files_.MakeDirectories(scratch_);
    files_.MakeDirectories(env_.programFolder);
  }
  platform::Environment& env() override { return env_; }
  void SetVariable(const std::string& name, const std::string& value) override { env_.Set(name, value); }
  void UnsetVariable(const std::string& name) override { env_.Unset(name); }
  platform::FileSystem& files() override { return files_; }
  const std::string& scratch() override { return scratch_; }
  platform::Shell& shell() override { return shell_; }

 private:
  platform::fake::Environment env_;
  platform::fake::FileSystem files_;
  platform::fake::Shell shell_;
  std::string scratch_ = "C:\\Scratch\\contract";
};

}  // namespace

std::unique_ptr<ContractPlatform> MakeContractPlatform() { return std::make_unique<FakePlatform>(); }
