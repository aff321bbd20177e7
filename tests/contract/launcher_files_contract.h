// The launcher's file seam for its contract test: the in-memory fake
// natively, win32::LauncherFiles under Wine. The same test bodies run against both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "launcher/launcher_files.h"

class LauncherFilesSide {
 public:
  virtual ~LauncherFilesSide() = default;
  virtual launcher::LauncherFiles& files() = 0;
  // An existing, empty directory for this test alone, ending with a backslash.
  virtual const std::string& scratch() = 0;
  virtual void MakeReadOnly(const std::string& path) = 0;
  virtual void MakeHidden(const std::string& path) = 0;
  virtual void MakeSystem(const std::string& path) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual void MakeDirectory(const std::string& path) = 0;
  // Another drive letter for the existing `directory`, as subst maps one,
  // given as "X:"; false when none can be mapped here. The mapping goes with
  // the side.
  virtual bool MapDrive(const std::string& directory, std::string* drive) = 0;
  virtual uint64_t LastWriteTime(const std::string& path) = 0;
  virtual uint64_t LastAccessTime(const std::string& path) = 0;
  // Windows refuses to create a read-only file anew; Wine run by root
  // does not, because the host's permission check lets root write. Whether
  // this side's implementation answers as Windows does all the same.
  virtual bool EnforcesReadOnlyOnCreate() = 0;
};

std::unique_ptr<LauncherFilesSide> MakeLauncherFilesSide();
