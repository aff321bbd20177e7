#include "wizard/removal/del_tree.h"

#include <vector>

#include "wizard/model/setup_paths.h"

namespace wizard {

using platform::FsResult;

namespace {

int Code(FsResult r) { return static_cast<int>(r); }

std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

int DelTree(platform::FileSystem& files, const platform::Environment& env, const std::string& path) {
  int result = kDelTreeNothingDone;
  std::string dir = TrimBlanks(path);
  if (dir.empty()) return result;
  if (dir.back() == '\\') dir.pop_back();
  if (dir.find('\\') == std::string::npos) return result;
  const auto attributes = files.Attributes(dir);
  if (!attributes || !(*attributes & platform::kAttrDirectory)) return result;

  bool failed = false;
  auto record = [&](FsResult r) {
    if (r == FsResult::kOk) return;
    failed = true;
    result = Code(r);
  };

  // Called on a link itself: take the link away, leave what it points at.
  if (*attributes & platform::kAttrReparsePoint) {
    const FsResult r = files.EraseDirectory(dir);
    return r == FsResult::kOk ? 0 : Code(r);
  }

  std::vector<platform::DirectoryEntry> entries;
  record(files.List(dir, &entries));
  std::vector<std::string> subdirectories;
  for (const auto& e : entries) {
    const std::string entryPath = dir + "\\" + e.name;
    if (e.attributes & platform::kAttrDirectory) {
      if (e.attributes & platform::kAttrReparsePoint) {
        if (FsResult r = files.EraseDirectory(entryPath); r != FsResult::kOk) return Code(r);
      } else {
        subdirectories.push_back(e.name);
      }
      continue;
    }
    const std::uint32_t special = e.attributes & ~static_cast<std::uint32_t>(platform::kAttrNormal);
    if (special) {
      if (FsResult r = files.SetAttributes(entryPath, platform::kAttrNormal); r != FsResult::kOk) return Code(r);
    }
    if (FsResult r = files.EraseFile(entryPath); r != FsResult::kOk) return Code(r);
  }

  for (const auto& name : subdirectories) {
    const int r = DelTree(files, env, dir + "\\" + name);
    // Whatever was removed below, the maker's directory and SetupPath come
    // back (empty), ready for the install that follows a clean-up.
    record(files.MakeDirectory(MakerDirectory(env)));
    record(files.MakeDirectory(SetupPath(env)));
    if (r != 0) return r;
  }

  record(files.EraseDirectory(dir));
  return failed ? result : 0;
}

}  // namespace wizard
