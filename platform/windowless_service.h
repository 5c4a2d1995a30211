#pragma once

#include <chrono>
#include <thread>

#include "platform/window_service.h"

namespace tavrel {

// The window layer of command-line tools: there are no windows, so runs end at once, controls do
// not exist and nothing is shown. Tools override ShowMessage to print instead.
class WindowlessService : public WindowService {
 public:
  int32_t RunModal(int32_t, DialogEvents&, WindowHandle) override { return -1; }
  void EndDialog(WindowHandle, int32_t) override {}
  bool IsWindow(WindowHandle) override { return false; }
  void SendClose(WindowHandle) override {}
  WindowHandle CreateOwnerWindow() override { return 0; }
  void DestroyWindow(WindowHandle) override {}
  ControlHandle Control(WindowHandle, int32_t) override { return 0; }
  void SetText(ControlHandle, const std::string&) override {}
  void SetFont(ControlHandle, FontHandle) override {}
  void EnableWindow(WindowHandle, bool) override {}
  void ShowWindow(WindowHandle, bool) override {}
  void ShowMaximized(WindowHandle) override {}
  bool IsVisible(WindowHandle) override { return false; }
  void SetTrackbarRange(ControlHandle, int32_t, int32_t) override {}
  void SetTrackbarPos(ControlHandle, int32_t) override {}
  int32_t GetTrackbarPos(ControlHandle) override { return 0; }
  void SetCheck(ControlHandle, bool) override {}
  bool GetCheck(ControlHandle) override { return false; }
  ScreenRect DesktopRect() override { return {}; }
  ScreenRect WindowRect(WindowHandle) override { return {}; }
  void Place(WindowHandle, ZOrder, int32_t, int32_t) override {}
  bool IsTopmost(WindowHandle) override { return false; }
  uint32_t GetExtendedStyle(WindowHandle) override { return 0; }
  void SetExtendedStyle(WindowHandle, uint32_t) override {}
  ImageHandle LoadBitmap(int32_t) override { return 0; }
  FontHandle CreateFont(const FontDescription&) override { return 0; }
  void SetButtonImage(ControlHandle, ImageHandle) override {}
  void SetWindowIcon(WindowHandle, int32_t) override {}
  bool AppendSystemMenu(WindowHandle, int32_t, const std::string&) override { return false; }
  void DefaultSystemCommand(WindowHandle, int32_t) override {}
  bool AddTrayIcon(WindowHandle, int32_t, const std::string&) override { return false; }
  void RemoveTrayIcon(WindowHandle, int32_t) override {}
  void TrackPopupMenu(WindowHandle, const std::vector<MenuEntry>&) override {}
  int32_t ShowCursor(bool) override { return 0; }
  void ShowMessage(const std::string&, const std::string&) override {}
  void RunOnUiThread(const std::function<void()>& call) override { call(); }
  void DispatchFor(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  void StopCrossThreadCalls() override {}
  std::string GetText(ControlHandle) override { return {}; }
};

}  // namespace tavrel
