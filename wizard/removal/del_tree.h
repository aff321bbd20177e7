#pragma once

#include <string>

#include "platform/environment.h"
#include "platform/file_system.h"

namespace wizard {

inline constexpr int kDelTreeNothingDone = -1;

// Deletes the directory `path` with everything below it. After each
// subdirectory it creates the maker's directory and SetupPath again, so that
// a call on the maker's directory leaves both in place, empty.
//
// Returns 0 when no step failed, kDelTreeNothingDone when there was nothing
// to do (an empty path, one without "\", no such directory), otherwise the
// code (a platform::FsResult value) of the last failure met. A file that
// cannot be deleted stops the call there.
//
// A directory link (junction or symbolic link) is removed as a link and never
// followed: what it points at lies outside the tree and stays.
int DelTree(platform::FileSystem& files, const platform::Environment& env, const std::string& path);

}  // namespace wizard
