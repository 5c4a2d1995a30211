// tavrel-type-target.exe: the application in use for the keyboard's end-to-end test. A window
// titled "Type target" whose edit box holds the focus; each change of its text, and of its focus,
// is printed as a line, so the test reads what was typed from the program's output.
#include <windows.h>

#include <cstdio>

namespace {

constexpr int kEditId = 1;

void PrintLine(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == kEditId) {
    char text[256] = {};
    switch (HIWORD(wParam)) {
      case EN_CHANGE:
        GetWindowTextA(reinterpret_cast<HWND>(lParam), text, sizeof text);
        PrintLine(text);
        return 0;
      case EN_SETFOCUS:
        PrintLine("[focus in]");
        return 0;
      case EN_KILLFOCUS:
        PrintLine("[focus out]");
        return 0;
    }
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = TargetProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "TavrelTypeTarget";
  RegisterClassA(&windowClass);
  HWND window =
      CreateWindowExA(0, windowClass.lpszClassName, "Type target", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                      40, 40, 400, 120, nullptr, nullptr, instance, nullptr);
  // The edit box fills the window, so that a click anywhere inside lands in it.
  RECT client{};
  GetClientRect(window, &client);
  HWND edit =
      CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom,
                      window, reinterpret_cast<HMENU>(kEditId), instance, nullptr);
  SetForegroundWindow(window);
  SetFocus(edit);
  PrintLine("ready");
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
