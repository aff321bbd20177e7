#include "platform/win32/shell.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/text.h"

namespace platform::win32 {
namespace {

// The folder ids behind the collection's names, in the collection's order.
const int kFolderIds[kSpecialFolderCount] = {
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS,
    CSIDL_COMMON_STARTUP,          CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA,
    CSIDL_PRINTHOOD,               CSIDL_TEMPLATES,        CSIDL_FONTS,
    CSIDL_NETHOOD,                 CSIDL_STARTMENU,        CSIDL_SENDTO,
    CSIDL_RECENT,                  CSIDL_STARTUP,          CSIDL_FAVORITES,
    CSIDL_PERSONAL,                CSIDL_PROGRAMS,
};

class Object : public platform::ShellObject {
 public:
  std::optional<std::string> SpecialFolder(const std::string& name) override {
    for (int i = 0; i < kSpecialFolderCount; ++i)
      if (EqualsNoCase(name, kSpecialFolderNames[i])) return SpecialFolder(i);
    return std::nullopt;
  }

  std::optional<std::string> SpecialFolder(int index) override {
    if (index < 0 || index >= kSpecialFolderCount) return std::nullopt;
    char path[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, kFolderIds[index], nullptr, SHGFP_TYPE_CURRENT, path)))
      return std::nullopt;
    return std::string(path);
  }
};

}  // namespace

std::unique_ptr<platform::ShellObject> Shell::CreateShellObject() { return std::make_unique<Object>(); }

}  // namespace platform::win32
