// A small window for the automation's own tests: one control of each kind the automation reads or
// drives, buttons that open message boxes and report the answer, and one that opens an address.
//   automation_target.exe [--ignore-close] [--url <address>]
// --ignore-close makes the window refuse WM_CLOSE, as a hung program would.
#include <string>

#include "platform/win32/win32_api.h"
#include "tests/automation/automation_target.h"

namespace {

using namespace setup::automation::target;

bool ignore_close = false;
std::wstring url;

HWND make(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w,
          int h) {
  return CreateWindowExW(0, cls, text, WS_CHILD | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                         nullptr);
}

void create_controls(HWND window) {
  make(window, L"Edit", L"", WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, edit, 10, 10, 200, 24);
  make(window, L"Static", L"", WS_VISIBLE, echo, 220, 10, 200, 24);
  make(window, L"Button", L"提问", WS_VISIBLE | BS_PUSHBUTTON, ask_default_no, 10, 40, 120, 28);
  make(window, L"Button", L"确认", WS_VISIBLE | BS_PUSHBUTTON, ask_default_yes, 140, 40, 120, 28);
  make(window, L"Button", L"通知", WS_VISIBLE | BS_PUSHBUTTON, inform, 270, 40, 120, 28);
  make(window, L"Static", L"", WS_VISIBLE, answer, 400, 40, 100, 24);
  make(window, L"Button", L"复选", WS_VISIBLE | BS_AUTOCHECKBOX, check, 10, 80, 120, 24);
  make(window, L"Button", L"甲", WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, radio_a, 140, 80, 80, 24);
  make(window, L"Button", L"乙", WS_VISIBLE | BS_AUTORADIOBUTTON, radio_b, 230, 80, 80, 24);
  make(window, L"Static", L"隐藏", 0, hidden_label, 10, 110, 120, 24);
  make(window, L"Button", L"禁用", WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, disabled_button, 140, 110, 120,
       28);
  HWND panel = make(window, L"Static", L"", 0, hidden_panel, 10, 150, 300, 60);
  make(panel, L"Static", L"面板内", WS_VISIBLE, label_in_panel, 5, 5, 200, 24);
  make(window, L"Button", L"打开网址", WS_VISIBLE | BS_PUSHBUTTON, open_url, 320, 110, 120, 28);
  SendMessageW(GetDlgItem(window, radio_a), BM_SETCHECK, BST_CHECKED, 0);
}

void show_answer(HWND window, int answer_id) {
  const wchar_t* text = answer_id == IDYES  ? L"是"
                        : answer_id == IDNO ? L"否"
                        : answer_id == IDOK ? L"好"
                                            : L"?";
  SetDlgItemTextW(window, answer, text);
}

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      create_controls(window);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case edit:
          if (HIWORD(wparam) == EN_CHANGE) {
            wchar_t text[256] = {};
            GetDlgItemTextW(window, edit, text, 256);
            SetDlgItemTextW(window, echo, text);
          }
          return 0;
        case ask_default_no:
          show_answer(window, MessageBoxW(window, question_text, box_caption,
                                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
          return 0;
        case ask_default_yes:
          show_answer(window, MessageBoxW(window, question_text, box_caption, MB_YESNO | MB_ICONQUESTION));
          return 0;
        case inform:
          show_answer(window, MessageBoxW(window, information_text, box_caption, MB_OK | MB_ICONINFORMATION));
          return 0;
        case open_url:
          ShellExecuteW(window, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
          return 0;
      }
      break;
    case WM_CLOSE:
      if (ignore_close) return 0;
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  int count = 0;
  if (wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) {
      const std::wstring arg = args[i];
      if (arg == L"--ignore-close") ignore_close = true;
      if (arg == L"--url" && i + 1 < count) url = args[++i];
    }
    LocalFree(args);
  }

  WNDCLASSW cls{};
  cls.lpfnWndProc = window_proc;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  cls.lpszClassName = L"setup_automation_target";
  RegisterClassW(&cls);
  HWND window = CreateWindowExW(0, cls.lpszClassName, window_title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 520, 280, nullptr, nullptr, instance, nullptr);
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
