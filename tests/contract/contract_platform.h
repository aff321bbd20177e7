#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/shell.h"

// One implementation of the seam for the contract tests: the in-memory fakes
// natively, the Win32 implementation under Wine. The same test bodies run
// against both, so a fake that drifts from Windows fails here.
class ContractPlatform {
 public:
  virtual ~ContractPlatform() = default;

  virtual platform::Environment& env() = 0;
  virtual void SetVariable(const std::string& name, const std::string& value) = 0;
  virtual void UnsetVariable(const std::string& name) = 0;

  virtual platform::FileSystem& files() = 0;
  // An existing, empty directory that belongs to this test alone.
  virtual const std::string& scratch() = 0;

  virtual platform::Shell& shell() = 0;
};

std::unique_ptr<ContractPlatform> MakeContractPlatform();

namespace platform {
inline void PrintTo(FsResult r, std::ostream* os) {
  static const char* const kNames[] = {"kOk",           "kNotFound",  "kPathNotFound",
                                       "kAccessDenied", "kSharingViolation", "kDiskFull",
                                       "kDirectoryNotEmpty", "kAlreadyExists", "kFailed"};
  *os << kNames[static_cast<int>(r)];
}
}  // namespace platform
