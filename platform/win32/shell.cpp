#include "platform/win32/shell.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

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

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
  wide.resize(wide.size() - 1);
  return wide;
}

// Releases a COM interface on every path out.
template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
  void** out() { return reinterpret_cast<void**>(&p); }
};

class ShellLink : public platform::Shortcut {
 public:
  explicit ShellLink(std::string path) : path_(std::move(path)) {}
  void SetIconLocation(const std::string& file) override { icon_ = file; }
  void SetTargetPath(const std::string& file) override { target_ = file; }
  bool Save() override {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())))
      return false;
    if (!icon_.empty()) link->SetIconLocation(icon_.c_str(), 0);
    if (!target_.empty()) link->SetPath(target_.c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return false;
    return SUCCEEDED(file->Save(Wide(path_).c_str(), TRUE));
  }

 private:
  std::string path_, target_, icon_;
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

  std::unique_ptr<platform::Shortcut> CreateShortcut(const std::string& path) override {
    return std::make_unique<ShellLink>(path);
  }
};

}  // namespace

Shell::Shell() { comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }

Shell::~Shell() {
  if (comStarted_) CoUninitialize();
}

std::unique_ptr<platform::ShellObject> Shell::CreateShellObject() { return std::make_unique<Object>(); }

bool ReadShortcut(const std::string& path, std::string* target, std::string* icon) {
  ComPtr<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return false;
  if (FAILED(file->Load(Wide(path).c_str(), STGM_READ))) return false;
  char buffer[MAX_PATH * 2] = {};
  if (FAILED(link->GetPath(buffer, sizeof buffer, nullptr, 0))) return false;
  *target = buffer;
  int index = 0;
  buffer[0] = '\0';
  link->GetIconLocation(buffer, sizeof buffer, &index);
  *icon = buffer;
  return true;
}

}  // namespace platform::win32
