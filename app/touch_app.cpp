#include "app/touch_app.h"

#include <filesystem>

#include "app/main_panel.h"
#include "platform/log.h"
#include "resources/resource_ids.h"

namespace tavrel {

TouchApp::TouchApp(ShellPlatform platform, const std::string& executablePath)
    : platform_(platform), title_(std::filesystem::path(executablePath).stem().string()) {}

bool TouchApp::InitInstance() {
  WindowService& windows = platform_.windows;
  const WindowHandle owner = windows.CreateOwnerWindow();
  {
    MainPanel panel(platform_, *this);
    mainWindow_ = &panel;
    panel.DoModal(owner);
    mainWindow_ = nullptr;
  }
  windows.DestroyWindow(owner);
  return false;
}

bool TouchApp::ClaimInstance(SingleInstance& instance) {
  const bool first = instance.Claim([this] {
    log::Info("Started again: the running program's panel comes to the front");
    if (mainWindow_ != nullptr) mainWindow_->BringToFront();
  });
  if (!first) {
    log::Info(
        "Already running for this user and screen: its panel is brought to the front and "
        "this start ends");
  }
  return first;
}

int32_t TouchApp::AddTrayIcon(const std::string& tip) {
  trayIcon_.window = mainWindow_ != nullptr ? mainWindow_->Window() : 0;
  trayIcon_.iconId = resource_id::kAppIcon;
  trayIcon_.flags = kNotifyIconFlags;
  trayIcon_.callbackMessage = kTrayCallbackMessage;
  trayIcon_.tip = tip.substr(0, kTrayTipLength);
  trayIconAdded_ = platform_.windows.AddTrayIcon(trayIcon_.window, trayIcon_.iconId, trayIcon_.tip);
  return trayIconAdded_ ? 1 : 0;
}

void TouchApp::RemoveTrayIcon() {
  if (!trayIconAdded_) return;
  platform_.windows.RemoveTrayIcon(trayIcon_.window, trayIcon_.iconId);
  trayIconAdded_ = false;
}

}  // namespace tavrel
