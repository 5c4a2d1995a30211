#pragma once

#include <cstdint>
#include <string>

#include "app/shell_platform.h"
#include "platform/single_instance.h"

namespace tavrel {

class MainPanel;

// The notification icon's record, filled once when the icon is added.
struct NotifyIconData {
  uint32_t size = 88;
  WindowHandle window = 0;
  int32_t iconId = 0;
  uint32_t flags = 0;
  int32_t callbackMessage = 0;
  std::string tip;
};

inline constexpr uint32_t kNotifyIconFlags = 7;  // message, icon and tip are set
// The exit status of a start that found no controller: whatever started it can tell.
inline constexpr int kExitNoController = 1;

// The one application object: its title, its main window and the notification icon. Start-up
// runs the main panel modally; that run is the program's whole life.
class TouchApp {
 public:
  // executablePath: the program's file, whose base name without extension is the title.
  TouchApp(ShellPlatform platform, const std::string& executablePath);
  TouchApp(const TouchApp&) = delete;
  TouchApp& operator=(const TouchApp&) = delete;

  // Start-up: creates the hidden owner window and runs the panel until one of the shutdown
  // routes ends it. Returns false: no further message loop is to run.
  bool InitInstance();
  // Before start-up: false when the program runs already, which then brings its panel forward;
  // this start must end then, with status 0, having opened nothing.
  bool ClaimInstance(SingleInstance& instance);
  // The process's exit status once start-up has returned: 0, or kExitNoController.
  int ExitStatus() const { return exitStatus_; }
  void SetExitStatus(int status) { exitStatus_ = status; }
  // How long start-up keeps looking for the controller before it gives up (0: one scan), for
  // starts before the controller's USB adapter is ready.
  void SetControllerWait(int32_t seconds) { controllerWait_ = seconds; }
  int32_t ControllerWait() const { return controllerWait_; }

  const std::string& Title() const { return title_; }
  MainPanel* MainWindow() const { return mainWindow_; }
  const NotifyIconData& TrayIcon() const { return trayIcon_; }

  // Fills the record with the main window and adds icon 128 with the tip.
  int32_t AddTrayIcon(const std::string& tip);
  // Takes the icon out of the notification area, if it is there.
  void RemoveTrayIcon();
  bool HasTrayIcon() const { return trayIconAdded_; }

 private:
  ShellPlatform platform_;
  std::string title_;
  MainPanel* mainWindow_ = nullptr;
  NotifyIconData trayIcon_;
  bool trayIconAdded_ = false;
  int exitStatus_ = 0;
  int32_t controllerWait_ = 0;
};

}  // namespace tavrel
