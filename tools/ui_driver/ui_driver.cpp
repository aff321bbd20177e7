#include "ui_driver.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/text.h"

namespace uidriver {
namespace {

struct TopLevelSearch {
  const WindowQuery& query;
  HWND found;
};

BOOL CALLBACK OnTopLevel(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TopLevelSearch*>(lp);
  const WindowQuery& q = s->query;
  if (q.visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
  if (!q.windowClass.empty() && ClassOf(hwnd) != q.windowClass) return TRUE;
  if (q.title && Text(hwnd) != *q.title) return TRUE;
  if (q.processId != 0) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != q.processId) return TRUE;
  }
  s->found = hwnd;
  return FALSE;
}

BOOL CALLBACK OnChild(HWND hwnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::string EnvironmentBlock(const std::map<std::string, std::string>& overrides) {
  std::map<std::string, std::pair<std::string, std::string>> vars;  // upper name -> (name, value)
  char* block = GetEnvironmentStringsA();
  for (const char* p = block; p && *p; p += std::strlen(p) + 1) {
    std::string entry = p;
    auto eq = entry.find('=', 1);  // "=C:=C:\" style entries start with '='
    if (eq == std::string::npos) continue;
    vars[platform::UpperAscii(entry.substr(0, eq))] = {entry.substr(0, eq), entry.substr(eq + 1)};
  }
  if (block) FreeEnvironmentStringsA(block);
  for (const auto& [name, value] : overrides) {
    if (value.empty())
      vars.erase(platform::UpperAscii(name));
    else
      vars[platform::UpperAscii(name)] = {name, value};
  }
  std::string result;
  for (const auto& [key, entry] : vars) result += entry.first + "=" + entry.second + '\0';
  result += '\0';
  return result;
}

HWND FindTopLevel(const WindowQuery& query) {
  TopLevelSearch s{query, nullptr};
  EnumWindows(OnTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForTopLevel(const WindowQuery& query, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevel(query)) != nullptr; }, timeoutMs);
  return found;
}

Session::~Session() { End(); }

void Session::End() {
  if (process_.hProcess) {
    if (Running()) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  process_ = {};
}

bool Session::Start(const std::string& program, const std::string& arguments,
                    const std::map<std::string, std::string>& environment, const std::string& workingDirectory,
                    const std::string& outputFile) {
  End();
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  std::string env = EnvironmentBlock(environment);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  HANDLE output = INVALID_HANDLE_VALUE;
  if (!outputFile.empty()) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    output = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return false;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = si.hStdError = output;
  }
  const BOOL started =
      CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, output != INVALID_HANDLE_VALUE, 0, &env[0],
                     workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &si, &process_);
  const DWORD error = GetLastError();
  // The program holds its own copy; ours would keep the file open after it ends.
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (!started) process_ = {};
  SetLastError(error);
  return started != FALSE;
}

// A process id of 0 would match every process: without a program, nothing.
HWND Session::FindTopLevel(const std::string& windowClass, const std::string& title) const {
  if (!process_.hProcess) return nullptr;
  return uidriver::FindTopLevel({windowClass, title, process_.dwProcessId, false});
}

HWND Session::WaitForWindow(const std::string& windowClass, DWORD timeoutMs) {
  if (!process_.hProcess) return nullptr;
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = uidriver::FindTopLevel({windowClass, std::nullopt, process_.dwProcessId, true});
        return found != nullptr || !Running();
      },
      timeoutMs);
  return found;
}

long Session::WaitForExit(DWORD timeoutMs) {
  if (!process_.hProcess || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<long>(code);
}

bool Session::Running() const {
  return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> all;
  EnumChildWindows(parent, OnChild, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND FindByCaption(HWND parent, const std::string& caption) {
  HWND hidden = nullptr;
  for (HWND h : Descendants(parent)) {
    if (Text(h) != caption) continue;
    if (Shown(h)) return h;
    if (!hidden) hidden = h;
  }
  return hidden;
}

HWND FindShownByCaption(HWND parent, const std::string& caption) {
  for (HWND h : Descendants(parent))
    if (Shown(h) && Text(h) == caption) return h;
  return nullptr;
}

HWND FindById(HWND parent, int id) {
  if (HWND direct = GetDlgItem(parent, id)) return direct;
  for (HWND h : Descendants(parent))
    if (GetDlgCtrlID(h) == id) return h;
  return nullptr;
}

std::string Text(HWND hwnd) {
  const LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got = SendMessageA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
  return text;
}

std::string ClassOf(HWND hwnd) {
  char name[256] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

bool Shown(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

void Press(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

HWND ChildAt(HWND parent, POINT client) { return ChildWindowFromPointEx(parent, client, CWP_SKIPINVISIBLE); }

RECT ClientOnScreen(HWND hwnd) {
  RECT r = {};
  GetClientRect(hwnd, &r);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Within(HWND hwnd, HWND ancestor) { return hwnd && (hwnd == ancestor || IsChild(ancestor, hwnd)); }

namespace {

void MouseEvent(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

}  // namespace

void MouseDrag(POINT at, int dx, int dy, DWORD button, bool clickFirst) {
  // The matching release flag is the next bit up.
  const DWORD release = button << 1;
  SetCursorPos(at.x, at.y);
  Sleep(150);
  if (clickFirst) {
    MouseEvent(button);
    Sleep(30);
    MouseEvent(release);
    Sleep(60);
  }
  MouseEvent(button);
  Sleep(150);
  for (int step = 1; step <= 5; ++step) {
    SetCursorPos(at.x + dx * step / 5, at.y + dy * step / 5);
    Sleep(40);
  }
  MouseEvent(release);
  Sleep(250);
}

void KeyPress(WORD key, bool shift) {
  INPUT inputs[4] = {};
  int n = 0;
  auto add = [&](WORD vk, DWORD flags) {
    inputs[n].type = INPUT_KEYBOARD;
    inputs[n].ki.wVk = vk;
    inputs[n].ki.dwFlags = flags;
    ++n;
  };
  if (shift) add(VK_SHIFT, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(n), inputs, sizeof inputs[0]);
}

std::vector<COLORREF> ScreenPixels(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return {};
  std::vector<COLORREF> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
  SelectObject(memory, old);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<RGBQUAD> raw(pixels.size());
  const bool read =
      copied && GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), raw.data(), &info, DIB_RGB_COLORS) == height;
  for (std::size_t i = 0; i < raw.size(); ++i) pixels[i] = RGB(raw[i].rgbRed, raw[i].rgbGreen, raw[i].rgbBlue);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!read) pixels.clear();
  return pixels;
}

bool SaveBitmap(const RECT& area, const std::string& file) {
  const std::vector<COLORREF> pixels = ScreenPixels(area);
  if (pixels.empty()) return false;
  const LONG width = area.right - area.left, height = area.bottom - area.top;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  BITMAPFILEHEADER header = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up, as a BMP file stores it
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = stride * static_cast<DWORD>(height);
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + info.biSizeImage;
  std::string rows(info.biSizeImage, '\0');
  const COLORREF* pixel = pixels.data();
  for (LONG y = 0; y < height; ++y) {
    char* row = &rows[static_cast<std::size_t>(height - 1 - y) * stride];
    for (LONG x = 0; x < width; ++x) {
      const COLORREF c = *pixel++;
      row[3 * x] = static_cast<char>(GetBValue(c));
      row[3 * x + 1] = static_cast<char>(GetGValue(c));
      row[3 * x + 2] = static_cast<char>(GetRValue(c));
    }
  }
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
  return static_cast<bool>(out);
}

bool SaveScreenshot(HWND window, const std::string& file) {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (window) {
    // What is on the screen is taken, so the window paints first.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
    Sleep(200);
    if (!GetWindowRect(window, &area)) return false;
  }
  return SaveBitmap(area, file);
}

SIZE MeasureText(const LOGFONTA& font, const std::string& text, int wrapWidth) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT f = CreateFontIndirectA(&font);
  HGDIOBJ old = SelectObject(dc, f);
  RECT r = {0, 0, wrapWidth, 0};
  const UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  DrawTextA(dc, text.c_str(), -1, &r, format);
  SelectObject(dc, old);
  DeleteObject(f);
  DeleteDC(dc);
  return {r.right - r.left, r.bottom - r.top};
}

std::string OwnFolder() {
  char path[MAX_PATH * 2] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string p = path;
  return p.substr(0, p.find_last_of("\\/"));
}

}  // namespace uidriver
