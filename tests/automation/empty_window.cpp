// The smallest Win32 program with a window: one empty top-level window of server.exe's size, shown at
// once. The start-up benchmark measures server.exe against it. Built a second time as
// themed_empty_window.exe, with server.exe's manifest, common controls 6 loaded and its icon: the least
// that a window of themed controls pays before it shows.
#include "platform/win32/win32_api.h"

namespace {

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef SETUP_THEMED_EMPTY_WINDOW
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
#endif
  WNDCLASSW cls{};
  cls.lpfnWndProc = window_proc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = L"setup_empty_window";
#ifdef SETUP_THEMED_EMPTY_WINDOW
  cls.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
#endif
  if (RegisterClassW(&cls) == 0) return 1;
  // 2386 x 1444 layout units at 96 DPI, as the wizard's window.
  HWND window = CreateWindowExW(0, cls.lpszClassName, L"empty", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                CW_USEDEFAULT, CW_USEDEFAULT, 522, 361, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
