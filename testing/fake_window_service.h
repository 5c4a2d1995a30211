#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_service.h"
#include "resources/dialog_template.h"

namespace tavrel {

// Records what the core asks of the windows. Message boxes return at once; a modal run calls the
// script given for its template (the user's actions), then returns what EndDialog gave.
class FakeWindowService : public WindowService {
 public:
  struct Message {
    std::string caption;
    std::string text;
    WindowHandle owner = 0;
  };
  struct FakeWindow {
    int32_t templateId = 0;
    DialogEvents* events = nullptr;
    WindowHandle owner = 0;
    bool ended = false;
    int32_t result = 0;
    bool visible = false;
    bool maximized = false;
    bool enabled = true;
    bool topmost = false;
    uint32_t exStyle = 0;
    int32_t iconId = 0;
    ScreenRect rect;
    std::vector<MenuEntry> systemMenu;
    std::map<int32_t, ControlHandle> controls;
  };
  struct FakeControl {
    WindowHandle dialog = 0;
    int32_t id = 0;
    std::string text;
    bool visible = true;
    bool enabled = true;
    ImageHandle image = 0;
    FontHandle font = 0;
    int32_t x = 0, y = 0;
    int32_t min = 0, max = 0, pos = 0;
    bool checked = false;
  };
  using Script = std::function<void(WindowHandle)>;

  // Test side: the user's actions during a modal run of a template.
  std::map<int32_t, Script> scripts;
  ScreenRect desktop{0, 0, 1024, 768};

  int32_t RunModal(int32_t templateId, DialogEvents& events, WindowHandle owner) override {
    const WindowHandle handle = NewWindow(templateId, events, owner);
    Log("run " + std::to_string(templateId));
    events.Init(handle);
    if (!windows_[handle].ended) {
      windows_[handle].visible = true;
      const bool ownerEnabled = owner != 0 && windows_[owner].enabled;
      if (ownerEnabled) windows_[owner].enabled = false;
      if (auto it = scripts.find(templateId); it != scripts.end()) it->second(handle);
      if (ownerEnabled && windows_.contains(owner)) windows_[owner].enabled = true;
    }
    // A run that the script left open ends here, so that a faulty test cannot hang.
    const int32_t result = windows_[handle].ended ? windows_[handle].result : -1;
    Log("ended " + std::to_string(templateId) + " " + std::to_string(result));
    DestroyWindow(handle);
    return result;
  }
  void EndDialog(WindowHandle window, int32_t result) override {
    auto& w = windows_.at(window);
    w.ended = true;
    w.result = result;
    w.visible = false;
  }
  bool IsWindow(WindowHandle window) override {
    return windows_.contains(window) || controls_.contains(window);
  }
  void SendClose(WindowHandle window) override {
    Log("close " + std::to_string(windows_.at(window).templateId));
    windows_.at(window).events->Close();
  }
  WindowHandle CreateOwnerWindow() override {
    const WindowHandle handle = next_++;
    windows_[handle] = FakeWindow{};
    Log("owner window");
    return handle;
  }
  void DestroyWindow(WindowHandle window) override {
    for (const auto& [id, control] : windows_[window].controls) controls_.erase(control);
    windows_.erase(window);
  }

  ControlHandle Control(WindowHandle dialog, int32_t id) override {
    auto it = windows_.find(dialog);
    if (it == windows_.end()) return 0;
    auto control = it->second.controls.find(id);
    return control == it->second.controls.end() ? 0 : control->second;
  }
  void SetText(ControlHandle control, const std::string& text) override {
    controls_.at(control).text = text;
  }
  void SetFont(ControlHandle control, FontHandle font) override {
    controls_.at(control).font = font;
  }
  void EnableWindow(WindowHandle window, bool enabled) override {
    if (controls_.contains(window)) {
      controls_[window].enabled = enabled;
    } else {
      windows_.at(window).enabled = enabled;
    }
  }
  void ShowWindow(WindowHandle window, bool visible) override {
    if (controls_.contains(window)) {
      controls_[window].visible = visible;
    } else {
      windows_.at(window).visible = visible;
      Log(std::string(visible ? "show " : "hide ") + std::to_string(windows_[window].templateId));
    }
  }
  void ShowMaximized(WindowHandle window) override {
    auto& w = windows_.at(window);
    w.visible = true;
    w.maximized = true;
    w.rect = desktop;
  }
  bool IsVisible(WindowHandle window) override {
    return controls_.contains(window) ? controls_[window].visible : windows_.at(window).visible;
  }
  // A trackbar keeps its position inside its range, as the desktop's does.
  void SetTrackbarRange(ControlHandle trackbar, int32_t min, int32_t max) override {
    auto& control = controls_.at(trackbar);
    control.min = min;
    control.max = max;
    control.pos = std::clamp(control.pos, min, std::max(min, max));
  }
  void SetTrackbarPos(ControlHandle trackbar, int32_t pos) override {
    auto& control = controls_.at(trackbar);
    control.pos = std::clamp(pos, control.min, std::max(control.min, control.max));
  }
  int32_t GetTrackbarPos(ControlHandle trackbar) override { return controls_.at(trackbar).pos; }
  void SetCheck(ControlHandle checkBox, bool checked) override {
    controls_.at(checkBox).checked = checked;
  }
  bool GetCheck(ControlHandle checkBox) override { return controls_.at(checkBox).checked; }

  ScreenRect DesktopRect() override { return desktop; }
  ScreenRect WindowRect(WindowHandle window) override { return windows_.at(window).rect; }
  void Place(WindowHandle window, ZOrder order, int32_t x, int32_t y) override {
    if (controls_.contains(window)) {
      controls_[window].x = x;
      controls_[window].y = y;
      return;
    }
    auto& w = windows_.at(window);
    w.rect = {x, y, x + w.rect.right - w.rect.left, y + w.rect.bottom - w.rect.top};
    if (order == ZOrder::kTopmost || order == ZOrder::kNoTopmost) {
      w.topmost = order == ZOrder::kTopmost;
    }
    Log("place " + std::to_string(w.templateId) + " " + std::to_string(x) + "," +
        std::to_string(y) + (w.topmost ? " topmost" : ""));
  }
  bool IsTopmost(WindowHandle window) override { return windows_.at(window).topmost; }
  uint32_t GetExtendedStyle(WindowHandle window) override { return windows_.at(window).exStyle; }
  void SetExtendedStyle(WindowHandle window, uint32_t exStyle) override {
    windows_.at(window).exStyle = exStyle;
  }

  ImageHandle LoadBitmap(int32_t bitmapId) override {
    Log("bitmap " + std::to_string(bitmapId));
    return static_cast<ImageHandle>(bitmapId);
  }
  FontHandle CreateFont(const FontDescription& description) override {
    fonts.push_back(description);
    return fonts.size();
  }
  void SetButtonImage(ControlHandle button, ImageHandle image) override {
    std::lock_guard lock(mutex_);
    buttonImages_[button] = image;
    ++imageChanges_;
  }
  void SetWindowIcon(WindowHandle window, int32_t iconId) override {
    windows_.at(window).iconId = iconId;
  }
  bool AppendSystemMenu(WindowHandle window, int32_t id, const std::string& text) override {
    windows_.at(window).systemMenu.push_back({id, text});
    return true;
  }
  void DefaultSystemCommand(WindowHandle window, int32_t id) override {
    Log("default syscommand " + std::to_string(id));
    if ((id & kSysCommandMask) == kSysCommandClose) windows_.at(window).events->Close();
  }

  bool AddTrayIcon(WindowHandle owner, int32_t iconId, const std::string& tip) override {
    if (!trayHost) return false;
    Log("tray add " + std::to_string(iconId) + " " + tip);
    trayIcons[{owner, iconId}] = tip;
    return true;
  }
  void RemoveTrayIcon(WindowHandle owner, int32_t iconId) override {
    Log("tray remove " + std::to_string(iconId));
    trayIcons.erase({owner, iconId});
  }
  void TrackPopupMenu(WindowHandle owner, const std::vector<MenuEntry>& items) override {
    Log("menu " + std::to_string(windows_.at(owner).templateId));
    menus.push_back(items);
  }

  // The notification area is there unless the test takes it away with SetTrayHost.
  bool WatchTrayHost(std::function<void(bool present)> changed) override {
    trayWatch_ = std::move(changed);
    return trayHost;
  }
  void SetTrayHost(bool present) {
    trayHost = present;
    if (trayWatch_) trayWatch_(present);
  }
  bool WatchingTrayHost() const { return static_cast<bool>(trayWatch_); }
  // The commands the window's context menu offers now, besides its system menu.
  std::vector<MenuEntry> ContextMenu(WindowHandle window) {
    return windows_.at(window).events->ContextMenu();
  }
  bool trayHost = true;

  int32_t ShowCursor(bool show) override { return cursorCount += show ? 1 : -1; }

  void ShowMessage(const std::string& caption, const std::string& text) override {
    RecordMessage({caption, text});
  }
  void ShowOwnedMessage(WindowHandle owner, const std::string& caption,
                        const std::string& text) override {
    const Message message{caption, text, owner};
    RecordMessage(message);
    if (onOwnedMessage) onOwnedMessage(message);
  }
  void RunOnUiThread(const std::function<void()>& call) override { call(); }
  // Logged; onDispatch plays what happens meanwhile (time passing, a request to end).
  void DispatchFor(uint32_t ms) override {
    Log("dispatch " + std::to_string(ms));
    if (onDispatch) onDispatch(ms);
  }
  void WatchEndRequests(std::function<void()> end) override { endRequest_ = std::move(end); }
  // Test side: the session ends, or the process is told to stop.
  void RequestEnd() {
    Log("end request");
    if (auto end = endRequest_) end();
  }
  std::function<void(uint32_t ms)> onDispatch;
  void StopCrossThreadCalls() override { Log("stop cross-thread calls"); }
  std::string GetText(ControlHandle control) override {
    auto it = controls_.find(control);
    return it == controls_.end() ? std::string() : it->second.text;
  }

  // Test side: the user acting on an open window.
  void Command(WindowHandle window, int32_t id) { windows_.at(window).events->Command(id); }
  void Close(WindowHandle window) { windows_.at(window).events->Close(); }
  void SysCommand(WindowHandle window, int32_t id) { windows_.at(window).events->SysCommand(id); }
  void TrayNotify(WindowHandle window, int32_t iconId, int32_t message) {
    windows_.at(window).events->TrayNotify(iconId, message);
  }
  // Moves a trackbar as the user would (kept in its range) and notifies the dialog.
  void MoveTrackbar(WindowHandle window, int32_t id, int32_t pos) {
    SetTrackbarPos(windows_.at(window).controls.at(id), pos);
    windows_.at(window).events->Trackbar(id);
  }
  // Clicks an automatic check box: it toggles its mark, then the dialog hears the click.
  void ClickCheckBox(WindowHandle window, int32_t id) {
    auto& control = controls_.at(windows_.at(window).controls.at(id));
    control.checked = !control.checked;
    windows_.at(window).events->Command(id);
  }
  void LeftButtonDown(WindowHandle window) { windows_.at(window).events->LeftButtonDown(0, 0); }
  void LeftButtonUp(WindowHandle window) { windows_.at(window).events->LeftButtonUp(0, 0); }
  // Called while an owned box is open, as the user would see it.
  std::function<void(const Message&)> onOwnedMessage;

  // Test side: what the windows look like.
  const FakeWindow& WindowState(WindowHandle window) const { return windows_.at(window); }
  const FakeControl& ControlState(WindowHandle dialog, int32_t id) const {
    return controls_.at(windows_.at(dialog).controls.at(id));
  }
  std::vector<Message> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  ImageHandle ButtonImage(ControlHandle button) const {
    std::lock_guard lock(mutex_);
    auto it = buttonImages_.find(button);
    return it == buttonImages_.end() ? 0 : it->second;
  }
  int ImageChanges() const {
    std::lock_guard lock(mutex_);
    return imageChanges_;
  }
  std::vector<std::string> Log() const {
    std::lock_guard lock(mutex_);
    return log_;
  }

  std::map<std::pair<WindowHandle, int32_t>, std::string> trayIcons;
  std::vector<std::vector<MenuEntry>> menus;
  std::vector<FontDescription> fonts;
  int32_t cursorCount = 0;

 private:
  WindowHandle NewWindow(int32_t templateId, DialogEvents& events, WindowHandle owner) {
    const WindowHandle handle = next_++;
    FakeWindow window;
    window.templateId = templateId;
    window.events = &events;
    window.owner = owner;
    if (const auto* dialogTemplate = resources::FindDialog(templateId)) {
      window.exStyle = dialogTemplate->exStyle;
      window.topmost = dialogTemplate->Has(resources::style::kSysModal);
      window.rect = {0, 0, resources::DluToPixelsX(dialogTemplate->cx),
                     resources::DluToPixelsY(dialogTemplate->cy)};
      for (const auto& control : dialogTemplate->controls) {
        if (control.id == resources::kStaticId) continue;
        const ControlHandle controlHandle = next_++;
        FakeControl state;
        state.dialog = handle;
        state.id = control.id;
        state.text = control.text;
        state.visible = (control.style & resources::style::kVisible) != 0;
        state.enabled = (control.style & resources::style::kDisabled) == 0;
        controls_[controlHandle] = state;
        window.controls[control.id] = controlHandle;
      }
    }
    windows_[handle] = std::move(window);
    return handle;
  }
  void Log(std::string entry) {
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(entry));
  }
  void RecordMessage(const Message& message) {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
    log_.push_back("message " + message.text);
  }

  mutable std::mutex mutex_;
  WindowHandle next_ = 1;
  std::map<WindowHandle, FakeWindow> windows_;
  std::map<ControlHandle, FakeControl> controls_;
  std::vector<Message> messages_;
  std::map<ControlHandle, ImageHandle> buttonImages_;
  int imageChanges_ = 0;
  std::vector<std::string> log_;
  std::function<void(bool present)> trayWatch_;
  std::function<void()> endRequest_;
};

}  // namespace tavrel
