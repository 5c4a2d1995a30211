#pragma once

#include <string>
#include <vector>

#include "platform/cross_thread_calls.h"
#include "platform/tray_host_watch.h"
#include "platform/window_service.h"

namespace tavrel {

// The window layer on the desktop's own dialog manager: dialogs are built in memory from the
// templates in resources/, handles are window handles. Create it on the thread that is to be the
// user-interface thread.
class Win32WindowService : public WindowService {
 public:
  // The message the notification icon sends to its owner.
  static constexpr uint32_t kTrayMessage = kTrayCallbackMessage;

  // The class of the notification area's window; a test may name a window of its own.
  static constexpr char kTrayHostClass[] = "Shell_TrayWnd";

  explicit Win32WindowService(const char* trayHostClass = kTrayHostClass);
  ~Win32WindowService() override;
  Win32WindowService(const Win32WindowService&) = delete;
  Win32WindowService& operator=(const Win32WindowService&) = delete;

  int32_t RunModal(int32_t templateId, DialogEvents& events, WindowHandle owner) override;
  void EndDialog(WindowHandle window, int32_t result) override;
  bool IsWindow(WindowHandle window) override;
  void SendClose(WindowHandle window) override;
  WindowHandle CreateOwnerWindow() override;
  void DestroyWindow(WindowHandle window) override;

  ControlHandle Control(WindowHandle dialog, int32_t id) override;
  void SetText(ControlHandle control, const std::string& text) override;
  void SetFont(ControlHandle control, FontHandle font) override;
  void EnableWindow(WindowHandle window, bool enabled) override;
  void ShowWindow(WindowHandle window, bool visible) override;
  void ShowMaximized(WindowHandle window) override;
  bool IsVisible(WindowHandle window) override;
  void SetTrackbarRange(ControlHandle trackbar, int32_t min, int32_t max) override;
  void SetTrackbarPos(ControlHandle trackbar, int32_t pos) override;
  int32_t GetTrackbarPos(ControlHandle trackbar) override;
  void SetCheck(ControlHandle checkBox, bool checked) override;
  bool GetCheck(ControlHandle checkBox) override;

  ScreenRect DesktopRect() override;
  ScreenRect WindowRect(WindowHandle window) override;
  void Place(WindowHandle window, ZOrder order, int32_t x, int32_t y) override;
  bool IsTopmost(WindowHandle window) override;
  uint32_t GetExtendedStyle(WindowHandle window) override;
  void SetExtendedStyle(WindowHandle window, uint32_t exStyle) override;

  ImageHandle LoadBitmap(int32_t bitmapId) override;
  FontHandle CreateFont(const FontDescription& description) override;
  void SetButtonImage(ControlHandle button, ImageHandle image) override;
  void SetWindowIcon(WindowHandle window, int32_t iconId) override;
  bool AppendSystemMenu(WindowHandle window, int32_t id, const std::string& text) override;
  void DefaultSystemCommand(WindowHandle window, int32_t id) override;

  bool AddTrayIcon(WindowHandle owner, int32_t iconId, const std::string& tip) override;
  void RemoveTrayIcon(WindowHandle owner, int32_t iconId) override;
  void TrackPopupMenu(WindowHandle owner, const std::vector<MenuEntry>& items) override;
  bool WatchTrayHost(std::function<void(bool present)> changed) override;

  int32_t ShowCursor(bool show) override;

  void ShowMessage(const std::string& caption, const std::string& text) override;
  void ShowOwnedMessage(WindowHandle owner, const std::string& caption,
                        const std::string& text) override;
  void RunOnUiThread(const std::function<void()>& call) override;
  void DispatchFor(uint32_t ms) override;
  void StopCrossThreadCalls() override;

  std::string GetText(ControlHandle control) override;

  // Runs the calls carried over so far; the call window does, on the user-interface thread.
  void RunPendingCalls() { calls_.RunPending(); }
  // Looks for the notification area again; the call window's timer does, twice a second.
  void CheckTrayHost();
  // A new notification area (Explorer started again) has none of the icons: they are added again.
  void TaskbarCreated();

 private:
  struct TrayIcon {
    WindowHandle owner;
    int32_t iconId;
    std::string tip;
  };
  bool TrayHostPresent() const;
  bool NotifyIconAdd(const TrayIcon& icon);
  // An icon of the resource, held until the end; null when there is none.
  void* Icon(int32_t iconId, int32_t size);

  // Win32 handles, kept as pointers so that users of this header need no windows.h.
  uint32_t uiThread_;
  void* callWindow_ = nullptr;  // receives the calls carried over from other threads
  std::vector<void*> objects_;  // bitmaps and fonts, held until the end
  std::vector<void*> icons_;

  std::string trayHostClass_;
  std::vector<TrayIcon> trayIcons_;  // added and not removed since
  TrayHostWatch trayWatch_;

  CrossThreadCalls calls_;
};

}  // namespace tavrel
