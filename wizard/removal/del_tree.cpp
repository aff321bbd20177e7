#include "wizard/removal/del_tree.h"

#include <vector>

#include "platform/text.h"
#include "wizard/model/setup_paths.h"

namespace wizard {

using platform::FsResult;

namespace {

int Code(FsResult r) { return static_cast<int>(r); }

// A blank after a lead byte is that character's trail byte, not a blank.
std::string TrimBlanks(const std::string& text, const platform::LeadBytes& lead) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return platform::TrimTrailing(text.substr(first), " ", lead);
}

}  // namespace

int DelTree(platform::FileSystem& files, const platform::Environment& env, const std::string& path) {
  int result = kDelTreeNothingDone;
  // A trail byte 0x5C ("ソ" is 0x83 0x5C in code page 932) is no "\".
  const platform::LeadBytes lead = env.AnsiLeadBytes();
  std::string dir = TrimBlanks(path, lead);
  if (dir.empty()) return result;
  if (platform::EndsWithCharacter(dir, '\\', lead)) dir.pop_back();
  if (platform::FindCharacter(dir, '\\', lead) == std::string::npos) return result;
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
