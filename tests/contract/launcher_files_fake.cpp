#include "launcher_fakes.h"
#include "launcher_files_contract.h"

namespace {

class FakeSide : public LauncherFilesSide {
 public:
  FakeSide() { fake_.addDirectory(scratch_); }
  quillon::launcher::LauncherFiles& files() override { return fake_; }
  const std::string& scratch() override { return scratch_; }
  void makeReadOnly(const std::string& path) override { fake_.at(path).readOnly = true; }
  void makeHidden(const std::string& path) override { fake_.at(path).hidden = true; }
  void makeSystem(const std::string& path) override { fake_.at(path).system = true; }
  bool exists(const std::string& path) override { return fake_.exists(path); }
  uint64_t lastWriteTime(const std::string& path) override { return fake_.at(path).lastWrite; }
  uint64_t lastAccessTime(const std::string& path) override { return fake_.at(path).lastAccess; }
  bool enforcesReadOnlyOnCreate() override { return true; }

 private:
  quillon::launcher::testing::FakeFiles fake_;
  std::string scratch_ = "C:\\scratch\\";
};

}  // namespace

std::unique_ptr<LauncherFilesSide> MakeLauncherFilesSide() { return std::unique_ptr<LauncherFilesSide>(new FakeSide); }
