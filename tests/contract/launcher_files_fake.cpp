#include "launcher/fake/launcher_files.h"
#include "launcher_files_contract.h"

namespace {

class FakeSide : public LauncherFilesSide {
 public:
  FakeSide() { fake_.AddDirectory(scratch_); }
  launcher::LauncherFiles& files() override { return fake_; }
  const std::string& scratch() override { return scratch_; }
  void MakeReadOnly(const std::string& path) override { fake_.At(path).readOnly = true; }
  void MakeHidden(const std::string& path) override { fake_.At(path).hidden = true; }
  void MakeSystem(const std::string& path) override { fake_.At(path).system = true; }
  bool Exists(const std::string& path) override { return fake_.Exists(path); }
  void MakeDirectory(const std::string& path) override { fake_.AddDirectory(path); }
  bool MapDrive(const std::string& directory, std::string* drive) override {
    *drive = "Q:";
    fake_.AddAlias(*drive, directory);
    return true;
  }
  uint64_t LastWriteTime(const std::string& path) override { return fake_.At(path).lastWrite; }
  uint64_t LastAccessTime(const std::string& path) override { return fake_.At(path).lastAccess; }
  bool EnforcesReadOnlyOnCreate() override { return true; }

 private:
  launcher::fake::LauncherFiles fake_;
  std::string scratch_ = "C:\\scratch\\";
};

}  // namespace

std::unique_ptr<LauncherFilesSide> MakeLauncherFilesSide() { return std::unique_ptr<LauncherFilesSide>(new FakeSide); }
