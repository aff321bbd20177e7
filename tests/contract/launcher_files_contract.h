// The launcher's file seam for its contract test: the in-memory fake
// natively, Win32Files under Wine. The same test bodies run against both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "launcher_files.h"

class LauncherFilesSide {
 public:
  virtual ~LauncherFilesSide() = default;
  virtual quillon::launcher::LauncherFiles& files() = 0;
  // An existing, empty directory for this test alone, ending with a backslash.
  virtual const std::string& scratch() = 0;
  virtual void makeReadOnly(const std::string& path) = 0;
  virtual void makeHidden(const std::string& path) = 0;
  virtual void makeSystem(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  virtual uint64_t lastWriteTime(const std::string& path) = 0;
  virtual uint64_t lastAccessTime(const std::string& path) = 0;
  // Windows refuses to create a read-only file anew; Wine run by root
  // does not, because the host's permission check lets root write. Whether
  // this side's implementation answers as Windows does all the same.
  virtual bool enforcesReadOnlyOnCreate() = 0;
};

std::unique_ptr<LauncherFilesSide> MakeLauncherFilesSide();
