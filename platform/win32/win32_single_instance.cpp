#include "platform/win32/win32_single_instance.h"

#include <windows.h>

namespace tavrel {

namespace {

constexpr char kMutexName[] = "Local\\Morvane.Tavrel.Instance";
constexpr char kActivateMessage[] = "Morvane.Tavrel.Activate";
constexpr char kCloseMessage[] = "Morvane.Tavrel.Close";
constexpr char kWindowClass[] = "TavrelInstance";

LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT activate = RegisterWindowMessageA(kActivateMessage);
  static const UINT close = RegisterWindowMessageA(kCloseMessage);
  auto* instance =
      reinterpret_cast<const Win32SingleInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == activate && instance != nullptr) {
    instance->Activate();
    return 0;
  }
  if (message == close && instance != nullptr) {
    instance->Close();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

Win32SingleInstance::~Win32SingleInstance() {
  if (window_ != nullptr) DestroyWindow(static_cast<HWND>(window_));
  if (mutex_ != nullptr) CloseHandle(static_cast<HANDLE>(mutex_));
}

bool Win32SingleInstance::Claim(std::function<void()> activate) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    // Top-level windows only hear broadcasts, so the first start keeps a hidden one.
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA(kActivateMessage), 0, 0);
    return false;
  }
  // Without a mutex there is no telling: this start runs.
  mutex_ = mutex;
  activate_ = std::move(activate);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = InstanceWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
  if (window != nullptr) SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  window_ = window;
  return true;
}

void Win32SingleInstance::Activate() const {
  if (activate_) activate_();
}

void Win32SingleInstance::Close() const {
  if (close_) close_();
}

bool Win32SingleInstance::CloseRunning(uint32_t waitMs) {
  // The first start's hidden window is the channel, and its process is what must end.
  HWND window = FindWindowA(kWindowClass, nullptr);
  if (window == nullptr) return true;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  PostMessageA(window, RegisterWindowMessageA(kCloseMessage), 0, 0);
  if (process == nullptr) return false;
  const bool ended = WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

}  // namespace tavrel
