#include "platform/win32/win32_window_service.h"

#include <windows.h>
// After windows.h: its CreateFont and LoadBitmap macros would rename this class's methods.
#undef CreateFont
#undef LoadBitmap
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/dialog_memory_template.h"
#include "platform/win32/win32_images.h"
#include "resources/dialog_template.h"
#include "resources/images.h"

namespace tavrel {

namespace {

constexpr char kCallWindowClass[] = "TavrelCalls";
constexpr UINT kRunCalls = WM_APP + 1;
constexpr UINT_PTR kTrayWatchTimer = 1;
constexpr UINT kTrayWatchInterval = 500;  // ms
constexpr int32_t kIconPictureSize = 32;
constexpr int32_t kSmallIconSize = 16;

HWND Hwnd(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }
WindowHandle Handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }

// What the dialog procedure needs of its run, kept in the dialog's user slot.
struct ModalRun {
  const resources::DialogTemplate& dialogTemplate;
  DialogEvents& events;
  Win32WindowService& service;
};

ModalRun* RunOf(HWND dialog) {
  return reinterpret_cast<ModalRun*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

LRESULT CALLBACK CallWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* service = reinterpret_cast<Win32WindowService*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == kRunCalls && service != nullptr) {
    service->RunPendingCalls();
    return 0;
  }
  if (message == WM_TIMER && wParam == kTrayWatchTimer && service != nullptr) {
    service->CheckTrayHost();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// What the notification area broadcasts to every top-level window when it starts.
UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageA("TaskbarCreated");
  return message;
}

// An elevated program would not hear Explorer's broadcast, which comes from a lower integrity
// level, without letting it through.
void AcceptTaskbarCreatedFromExplorer() {
  ChangeWindowMessageFilter(TaskbarCreatedMessage(), MSGFLT_ADD);
}

bool IsClass(HWND window, const char* name) {
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  return lstrcmpiA(className, name) == 0;
}

// Pictures take their images from the resource data; the controls come in template order.
void SetPictures(HWND dialog, const ModalRun& run) {
  HWND control = GetWindow(dialog, GW_CHILD);
  for (const auto& item : run.dialogTemplate.controls) {
    if (control == nullptr) return;
    if (item.kind == resources::ControlKind::kBitmapPicture) {
      run.service.SetButtonImage(Handle(control), run.service.LoadBitmap(item.imageId));
    } else if (item.kind == resources::ControlKind::kIconPicture) {
      if (auto image = resources::LoadIconImage(item.imageId, kIconPictureSize)) {
        SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(MakeIcon(*image)), 0);
      }
    }
    control = GetWindow(control, GW_HWNDNEXT);
  }
}

// The window's own entries, then its system menu (for windows without a caption to open it
// from). System entries are told apart by an offset, as their ids may be anything.
void ShowContextMenu(HWND dialog, DialogEvents& events, POINT at) {
  constexpr UINT kSystemOffset = 0x10000;
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  for (const MenuEntry& entry : events.ContextMenu()) {
    AppendMenuA(menu, entry.id == 0 ? MF_SEPARATOR : (entry.checked ? MF_CHECKED : MF_STRING),
                static_cast<UINT_PTR>(entry.id), entry.text.c_str());
  }
  HMENU system = GetSystemMenu(dialog, FALSE);
  const int systemCount = system != nullptr ? GetMenuItemCount(system) : 0;
  if (GetMenuItemCount(menu) > 0 && systemCount > 0) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  for (int i = 0; i < systemCount; ++i) {
    char text[128] = {};
    const UINT id = GetMenuItemID(system, i);
    if (id == 0 || id == UINT(-1) ||
        GetMenuStringA(system, i, text, sizeof text, MF_BYPOSITION) <= 0) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuA(menu, MF_STRING, id + kSystemOffset, text);
    }
  }
  if (GetMenuItemCount(menu) > 0) {
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, dialog, nullptr));
    if (chosen >= kSystemOffset) {
      events.SysCommand(static_cast<int32_t>(chosen - kSystemOffset));
    } else if (chosen != 0) {
      events.Command(static_cast<int32_t>(chosen));
    }
  }
  DestroyMenu(menu);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* run = reinterpret_cast<ModalRun*>(lParam);
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    SetPictures(dialog, *run);
    run->events.Init(Handle(dialog));
    // A window that must not take the focus leaves it where it is.
    return (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_NOACTIVATE) == 0;
  }
  ModalRun* run = RunOf(dialog);
  if (run == nullptr) return FALSE;
  if (message == TaskbarCreatedMessage()) {
    run->service.TaskbarCreated();
    return FALSE;
  }
  switch (message) {
    case WM_COMMAND:
      // Clicks, menu items and the dialog manager's OK and Cancel; other notifications are not
      // commands.
      if (HIWORD(wParam) > 1) return FALSE;
      run->events.Command(LOWORD(wParam));
      return TRUE;
    case WM_CLOSE:
      run->events.Close();
      return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam == 0) return FALSE;
      run->events.Trackbar(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      return TRUE;
    case WM_LBUTTONDOWN:
      run->events.LeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONUP:
      run->events.LeftButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_SYSCOMMAND:
      run->events.SysCommand(static_cast<int32_t>(wParam));
      return TRUE;
    case WM_CONTEXTMENU:
      ShowContextMenu(dialog, run->events, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return TRUE;
    case WM_MOUSEACTIVATE:
      // A click leaves the window that has the keyboard where it is. Windows does so for such
      // windows by itself; Wine needs to be told.
      if ((GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_NOACTIVATE) == 0) return FALSE;
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, MA_NOACTIVATE);
      return TRUE;
    case Win32WindowService::kTrayMessage:
      run->events.TrayNotify(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

// One call carried to the user-interface thread; the caller waits until it ran or was dropped.
Win32WindowService::Win32WindowService(const char* trayHostClass)
    : uiThread_(GetCurrentThreadId()), trayHostClass_(trayHostClass) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CallWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kCallWindowClass;
  RegisterClassA(&windowClass);
  callWindow_ = CreateWindowExA(0, kCallWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
  SetWindowLongPtrA(static_cast<HWND>(callWindow_), GWLP_USERDATA,
                    reinterpret_cast<LONG_PTR>(this));
  AcceptTaskbarCreatedFromExplorer();
}

Win32WindowService::~Win32WindowService() {
  StopCrossThreadCalls();
  ::DestroyWindow(static_cast<HWND>(callWindow_));
  for (void* object : objects_) DeleteObject(static_cast<HGDIOBJ>(object));
  for (void* icon : icons_) DestroyIcon(static_cast<HICON>(icon));
}

int32_t Win32WindowService::RunModal(int32_t templateId, DialogEvents& events, WindowHandle owner) {
  const resources::DialogTemplate* dialogTemplate = resources::FindDialog(templateId);
  if (dialogTemplate == nullptr) return -1;
  const std::vector<uint16_t> memory = BuildDialogTemplate(*dialogTemplate);
  ModalRun run{*dialogTemplate, events, *this};
  return static_cast<int32_t>(DialogBoxIndirectParamA(
      GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(memory.data()), Hwnd(owner),
      DialogProc, reinterpret_cast<LPARAM>(&run)));
}

void Win32WindowService::EndDialog(WindowHandle window, int32_t result) {
  ::EndDialog(Hwnd(window), result);
}

bool Win32WindowService::IsWindow(WindowHandle window) {
  return window != 0 && ::IsWindow(Hwnd(window));
}

void Win32WindowService::SendClose(WindowHandle window) {
  SendMessageA(Hwnd(window), WM_CLOSE, 0, 0);
}

WindowHandle Win32WindowService::CreateOwnerWindow() {
  return Handle(CreateWindowExA(WS_EX_TOOLWINDOW, "Static", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr));
}

void Win32WindowService::DestroyWindow(WindowHandle window) { ::DestroyWindow(Hwnd(window)); }

ControlHandle Win32WindowService::Control(WindowHandle dialog, int32_t id) {
  return dialog == 0 ? 0 : Handle(GetDlgItem(Hwnd(dialog), id));
}

void Win32WindowService::SetText(ControlHandle control, const std::string& text) {
  SetWindowTextA(Hwnd(control), text.c_str());
}

void Win32WindowService::SetFont(ControlHandle control, FontHandle font) {
  SendMessageA(Hwnd(control), WM_SETFONT, static_cast<WPARAM>(font), TRUE);
}

void Win32WindowService::EnableWindow(WindowHandle window, bool enabled) {
  ::EnableWindow(Hwnd(window), enabled);
}

void Win32WindowService::ShowWindow(WindowHandle window, bool visible) {
  ::ShowWindow(Hwnd(window), visible ? SW_SHOWNORMAL : SW_HIDE);
}

void Win32WindowService::ShowMaximized(WindowHandle window) {
  // Not every desktop maximises a window without a maximise box (Wine's keeps its size): it is
  // given the work area first, as a maximised window has.
  RECT work{};
  if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
    SetWindowPos(Hwnd(window), nullptr, work.left, work.top, work.right - work.left,
                 work.bottom - work.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ::ShowWindow(Hwnd(window), SW_SHOWMAXIMIZED);
}

bool Win32WindowService::IsVisible(WindowHandle window) {
  return IsWindowVisible(Hwnd(window)) != 0;
}

void Win32WindowService::SetTrackbarRange(ControlHandle trackbar, int32_t min, int32_t max) {
  SendMessageA(Hwnd(trackbar), TBM_SETRANGEMIN, FALSE, min);
  SendMessageA(Hwnd(trackbar), TBM_SETRANGEMAX, TRUE, max);
}

void Win32WindowService::SetTrackbarPos(ControlHandle trackbar, int32_t pos) {
  SendMessageA(Hwnd(trackbar), TBM_SETPOS, TRUE, pos);
}

int32_t Win32WindowService::GetTrackbarPos(ControlHandle trackbar) {
  return static_cast<int32_t>(SendMessageA(Hwnd(trackbar), TBM_GETPOS, 0, 0));
}

void Win32WindowService::SetCheck(ControlHandle checkBox, bool checked) {
  SendMessageA(Hwnd(checkBox), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32WindowService::GetCheck(ControlHandle checkBox) {
  return SendMessageA(Hwnd(checkBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

ScreenRect Win32WindowService::DesktopRect() {
  return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

ScreenRect Win32WindowService::WindowRect(WindowHandle window) {
  RECT rect{};
  if (!GetWindowRect(Hwnd(window), &rect)) return {};
  if (GetWindowLongA(Hwnd(window), GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(nullptr, GetParent(Hwnd(window)), reinterpret_cast<POINT*>(&rect), 2);
  }
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Win32WindowService::Place(WindowHandle window, ZOrder order, int32_t x, int32_t y) {
  HWND after = HWND_TOP;
  UINT flags = SWP_NOSIZE;
  switch (order) {
    case ZOrder::kKeep:
      flags |= SWP_NOZORDER;
      break;
    case ZOrder::kTop:
      break;
    case ZOrder::kTopmost:
      after = HWND_TOPMOST;
      break;
    case ZOrder::kNoTopmost:
      after = HWND_NOTOPMOST;
      break;
  }
  // A window that must not take the focus is not activated by being placed either.
  if (GetWindowLongA(Hwnd(window), GWL_EXSTYLE) & WS_EX_NOACTIVATE) flags |= SWP_NOACTIVATE;
  SetWindowPos(Hwnd(window), after, x, y, 0, 0, flags);
}

bool Win32WindowService::IsTopmost(WindowHandle window) {
  return (GetWindowLongA(Hwnd(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

uint32_t Win32WindowService::GetExtendedStyle(WindowHandle window) {
  return static_cast<uint32_t>(GetWindowLongA(Hwnd(window), GWL_EXSTYLE));
}

void Win32WindowService::SetExtendedStyle(WindowHandle window, uint32_t exStyle) {
  SetWindowLongA(Hwnd(window), GWL_EXSTYLE, static_cast<LONG>(exStyle));
}

ImageHandle Win32WindowService::LoadBitmap(int32_t bitmapId) {
  const auto image = resources::LoadBitmapImage(bitmapId);
  HBITMAP bitmap = image ? MakeBitmap(*image) : nullptr;
  if (bitmap == nullptr) return 0;
  objects_.push_back(bitmap);
  return reinterpret_cast<ImageHandle>(bitmap);
}

FontHandle Win32WindowService::CreateFont(const FontDescription& description) {
  // Heights are pixels at 96 DPI, as the dialogs' layouts are; the program declares itself DPI
  // aware, so the system no longer stretches its windows, and the fonts grow with the dialogs.
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  HFONT font =
      CreateFontA(MulDiv(description.pixelHeight, dpi, 96), 0, 0, 0, description.weight, FALSE,
                  FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                  DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, description.face.c_str());
  if (font == nullptr) return 0;
  objects_.push_back(font);
  return reinterpret_cast<FontHandle>(font);
}

void Win32WindowService::SetButtonImage(ControlHandle button, ImageHandle image) {
  RunOnUiThread([&] {
    const UINT message = IsClass(Hwnd(button), "Button") ? BM_SETIMAGE : STM_SETIMAGE;
    SendMessageA(Hwnd(button), message, IMAGE_BITMAP, static_cast<LPARAM>(image));
  });
}

void* Win32WindowService::Icon(int32_t iconId, int32_t size) {
  const auto image = resources::LoadIconImage(iconId, size);
  HICON icon = image ? MakeIcon(*image) : nullptr;
  if (icon != nullptr) icons_.push_back(icon);
  return icon;
}

void Win32WindowService::SetWindowIcon(WindowHandle window, int32_t iconId) {
  SendMessageA(Hwnd(window), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(Icon(iconId, kIconPictureSize)));
  SendMessageA(Hwnd(window), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(Icon(iconId, kSmallIconSize)));
}

bool Win32WindowService::AppendSystemMenu(WindowHandle window, int32_t id,
                                          const std::string& text) {
  HMENU menu = GetSystemMenu(Hwnd(window), FALSE);
  if (menu == nullptr) return false;
  return id == 0 ? AppendMenuA(menu, MF_SEPARATOR, 0, nullptr) != 0
                 : AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(id), text.c_str()) != 0;
}

void Win32WindowService::DefaultSystemCommand(WindowHandle window, int32_t id) {
  DefWindowProcA(Hwnd(window), WM_SYSCOMMAND, static_cast<WPARAM>(id), 0);
}

bool Win32WindowService::TrayHostPresent() const {
  return FindWindowA(trayHostClass_.c_str(), nullptr) != nullptr;
}

bool Win32WindowService::NotifyIconAdd(const TrayIcon& icon) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = Hwnd(icon.owner);
  data.uID = static_cast<UINT>(icon.iconId);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = static_cast<HICON>(Icon(icon.iconId, kSmallIconSize));
  // The tip is cut to the length the tray shows on every desktop, well within the record.
  static_assert(sizeof data.szTip > kTrayTipLength);
  std::strncpy(data.szTip, icon.tip.c_str(), kTrayTipLength);
  return Shell_NotifyIconA(NIM_ADD, &data) != 0;
}

bool Win32WindowService::AddTrayIcon(WindowHandle owner, int32_t iconId, const std::string& tip) {
  // Without a notification area (a kiosk's own shell in place of Explorer) the icon would be
  // lost unseen, and the caller could not tell.
  const TrayIcon icon{owner, iconId, tip};
  if (!TrayHostPresent() || !NotifyIconAdd(icon)) return false;
  trayIcons_.push_back(icon);
  return true;
}

void Win32WindowService::RemoveTrayIcon(WindowHandle owner, int32_t iconId) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = Hwnd(owner);
  data.uID = static_cast<UINT>(iconId);
  Shell_NotifyIconA(NIM_DELETE, &data);
  std::erase_if(trayIcons_,
                [&](const TrayIcon& icon) { return icon.owner == owner && icon.iconId == iconId; });
}

bool Win32WindowService::WatchTrayHost(std::function<void(bool present)> changed) {
  const bool present = TrayHostPresent();
  trayWatch_.Start(present, std::move(changed));
  if (trayWatch_.Watching()) {
    SetTimer(static_cast<HWND>(callWindow_), kTrayWatchTimer, kTrayWatchInterval, nullptr);
  } else {
    KillTimer(static_cast<HWND>(callWindow_), kTrayWatchTimer);
  }
  return present;
}

void Win32WindowService::CheckTrayHost() { trayWatch_.Check(TrayHostPresent()); }

void Win32WindowService::TaskbarCreated() {
  // Every top-level window hears the broadcast; icons the new area holds already stay as they are.
  for (const TrayIcon& icon : trayIcons_) NotifyIconAdd(icon);
  // Told even when the area never seemed gone: an icon that the half-started area refused can
  // be added now that it is ready.
  trayWatch_.Tell(TrayHostPresent());
}

void Win32WindowService::TrackPopupMenu(WindowHandle owner, const std::vector<MenuEntry>& items) {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  for (const auto& item : items) {
    if (item.id == 0) {
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuA(menu, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED),
                  static_cast<UINT_PTR>(item.id), item.text.c_str());
    }
  }
  POINT at{};
  GetCursorPos(&at);
  // Without being in front, the owner would not see the menu close when the user clicks away.
  SetForegroundWindow(Hwnd(owner));
  ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(owner), nullptr);
  PostMessageA(Hwnd(owner), WM_NULL, 0, 0);
  DestroyMenu(menu);
}

int32_t Win32WindowService::ShowCursor(bool show) { return ::ShowCursor(show); }

void Win32WindowService::ShowMessage(const std::string& caption, const std::string& text) {
  RunOnUiThread([&] { MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK); });
}

void Win32WindowService::ShowOwnedMessage(WindowHandle owner, const std::string& caption,
                                          const std::string& text) {
  RunOnUiThread([&] { MessageBoxA(Hwnd(owner), text.c_str(), caption.c_str(), MB_OK); });
}

std::string Win32WindowService::GetText(ControlHandle control) {
  const int length = GetWindowTextLengthA(Hwnd(control));
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(Hwnd(control), text.data(), length + 1)));
  return text;
}

void Win32WindowService::RunOnUiThread(const std::function<void()>& call) {
  if (GetCurrentThreadId() == uiThread_) {
    call();
    return;
  }
  calls_.Run(call, [this] { PostMessageA(static_cast<HWND>(callWindow_), kRunCalls, 0, 0); });
}

void Win32WindowService::DispatchFor(uint32_t ms) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Left for the loop that ends on it.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

void Win32WindowService::StopCrossThreadCalls() { calls_.Stop(); }

}  // namespace tavrel
