#include "platform/fake/environment.h"
#include "platform/fake/file_system.h"
#include "platform/fake/registry.h"
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
  bool MakeDirectoryLink(const std::string& link, const std::string& target) override {
    files_.MakeLink(link, target);
    return true;
  }
  bool HoldDirectory(const std::string& directory) override {
    files_.HoldDirectory(directory);
    return true;
  }
  void ReleaseDirectory(const std::string& directory) override { files_.ReleaseDirectory(directory); }
  platform::Registry& registry() override { return registry_; }
  const std::string& registryScratch() override { return registryScratch_; }

 private:
  platform::fake::Environment env_;
  platform::fake::FileSystem files_;
  platform::fake::Shell shell_;
  platform::fake::Registry registry_;
  std::string registryScratch_ = "Software\\QuillonContract\\test";
  std::string scratch_ = "C:\\Scratch\\contract";
};

}  // namespace

std::unique_ptr<ContractPlatform> MakeContractPlatform() { return std::make_unique<FakePlatform>(); }
