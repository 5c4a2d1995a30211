// tavrel-type-target.exe: the application in use for the keyboard's end-to-end test. A window
// titled "Type target" whose edit box holds the focus; each change of its text is printed as a
// line, so the test reads what was typed from the program's output.
#include <windows.h>

#include <cstdio>

namespace {

constexpr int kEditId = 1;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_CHANGE) {
    char text[256] = {};
    GetWindowTextA(reinterpret_cast<HWND>(lParam), text, sizeof text);
    std::printf("%s\n", text);
    std::fflush(stdout);
    return 0;
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
  HWND edit = CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 360, 30,
                              window, reinterpret_cast<HMENU>(kEditId), instance, nullptr);
  SetForegroundWindow(window);
  SetFocus(edit);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
