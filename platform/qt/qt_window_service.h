#pragma once

#include <memory>

#include "platform/window_service.h"

namespace tavrel {

// The window layer on Qt 6 widgets. It owns the application object, so that the program's main
// needs no Qt; create it first, on the thread that is to be the user-interface thread.
class QtWindowService : public WindowService {
 public:
  QtWindowService(int& argc, char** argv);
  ~QtWindowService() override;
  QtWindowService(const QtWindowService&) = delete;
  QtWindowService& operator=(const QtWindowService&) = delete;

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
  void RunOnUiThread(const std::function<void()>& call) override;
  void DispatchFor(uint32_t ms) override;
  // SIGTERM, SIGINT, SIGHUP and the end of the desktop session.
  void WatchEndRequests(std::function<void()> end) override;
  void StopCrossThreadCalls() override;

  std::string GetText(ControlHandle control) override;
  void ShowOwnedMessage(WindowHandle owner, const std::string& caption,
                        const std::string& text) override;
  // A left-button press injected while the left button is already held: X delivers it to no
  // window, where the desktop gives each one to the window under the pointer. This hands it to
  // the program's own dialog there, as its left-button-down, if that dialog takes input. Any
  // thread; returns at once, as the desktop's input queue does.
  void PostRepeatedLeftPress();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tavrel
