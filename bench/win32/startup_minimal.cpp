// The floor for a program's start-up under Wine: a Win32 program that
// creates one window, shows it and runs its message loop, nothing else.
// startup_bench measures the time to its visible window beside the program
// under test.
#include <windows.h>

namespace {

LRESULT CALLBACK MinimalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = MinimalWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "StartupMinimal";
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowExA(0, "StartupMinimal", "Please wait...", WS_POPUP | WS_BORDER, CW_USEDEFAULT, CW_USEDEFAULT,
                                246, 42, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, showCommand);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
