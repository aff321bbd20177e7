#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"
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

  // A directory link (junction or symbolic link) at `link` to the existing
  // directory `target`; false when the platform will not make one here.
  virtual bool MakeDirectoryLink(const std::string& link, const std::string& target) = 0;

  // Another program's handle on the existing `directory`, opened with delete
  // sharing as an Explorer window or the search indexer holds one; false
  // when none can be opened. ReleaseDirectory closes it.
  virtual bool HoldDirectory(const std::string& directory) = 0;
  virtual void ReleaseDirectory(const std::string& directory) = 0;

  virtual platform::Registry& registry() = 0;
  // A key path that belongs to this test alone under every root; it does not
  // exist yet, and whatever the test leaves below it is removed afterwards.
  virtual const std::string& registryScratch() = 0;
};

std::unique_ptr<ContractPlatform> MakeContractPlatform();

namespace platform {
inline void PrintTo(FsResult r, std::ostream* os) {
  static const char* const kNames[] = {"kOk",           "kNotFound",  "kPathNotFound",
                                       "kAccessDenied", "kSharingViolation", "kDiskFull",
                                       "kDirectoryNotEmpty", "kAlreadyExists", "kFailed"};
  *os << kNames[static_cast<int>(r)];
}
inline void PrintTo(RegResult r, std::ostream* os) {
  static const char* const kNames[] = {"kOk", "kNotFound", "kAccessDenied", "kMoreData", "kInvalidHandle",
                                       "kFailed"};
  *os << kNames[static_cast<int>(r)];
}
}  // namespace platform
