#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/about_dialog.h"
#include "app/shell_platform.h"
#include "calibration/calibration_dialog.h"
#include "dialogs/dialog.h"
#include "keyboard/virtual_keyboard.h"
#include "link/serial_port.h"
#include "settings/touch_settings.h"
#include "setup/setup_dialog.h"
#include "touch/report_decoder.h"

namespace tavrel {

class TouchApp;

// The small always-on-top panel with "Right click" and "Hide". It creates and owns every other
// object, detects the controller at initialisation, owns the notification icon's menu and
// carries out every command; its modal run is the program's life. Its "Right click" button shows
// the settings' right-click state.
class MainPanel : public Dialog, private RightClickObserver {
 public:
  MainPanel(ShellPlatform platform, TouchApp& app);
  ~MainPanel() override;

  // Moves the panel to the bottom-right corner of the desktop, topmost when topmost is 1.
  void PlacePanel(int32_t topmost);
  // Shows the panel if it is hidden and raises it, in place; asked for by a second start.
  void BringToFront();

 protected:
  int32_t OnInitDialog() override;
  void OnCommand(int32_t id) override;
  void OnOK() override;
  void OnCancel() override;
  void OnSysCommand(int32_t id) override;
  void OnTrayNotify(int32_t iconId, int32_t mouseMessage) override;
  std::vector<MenuEntry> OnContextMenu() override;

 private:
  void CreateObjects();
  // From either thread: the window layer carries the image over to the user-interface thread.
  void RightClickStateChanged(bool on) override;
  // Detection, repeated until the controller answers or the start-up wait has run out; the
  // user-interface thread dispatches between the scans.
  int32_t FindController(int32_t& foundPort);
  void ToggleRightClick();
  void ShowTrayMenu();
  // Menu 135's popup with the check mark of "Show on top" as it is now.
  std::optional<std::vector<MenuEntry>> TrayMenu() const;
  // A notification area came or went: the icon follows it.
  void OnTrayHostChanged(bool present);
  // Without the icon the panel is the only way to the commands: "Hide" is disabled, the
  // context menu carries the commands, and a hidden panel comes back.
  void FollowTrayIcon();
  void ToggleShowOnTop();
  void CloseSequence();
  // The session ends or the process is told to stop: the Close sequence, once.
  void OnEndRequest();
  // Runs the calibration with the decoder capturing, and leaves it ready for the next run.
  void RunCalibration();
  // What every way out does before the run ends: the icon goes, and threads stop waiting for
  // this one, which may soon wait for them.
  void PrepareExit();

  ShellPlatform platform_;
  TouchApp& app_;
  std::unique_ptr<TouchSettings> settings;
  std::unique_ptr<VirtualKeyboard> keyboard;
  std::unique_ptr<VirtualKeyboard> largeKeyboard;
  std::unique_ptr<ReportDecoder> decoder;
  // Declared after the decoder, so that the reader thread ends before the decoder goes.
  std::unique_ptr<CTvSerialPort> serialPort;
  std::unique_ptr<SetupDialog> setupDialog;
  std::unique_ptr<CalibrationDialog> calibrationDialog;
  AboutDialog aboutDialog;
  // Looked up on the user-interface thread, so that the reader thread asks the window layer
  // nothing but the image change.
  ControlHandle rightClickButton_ = 0;
  ImageHandle rightClickOnImage_ = 0;
  ImageHandle rightClickOffImage_ = 0;
  int32_t showOnTop = 1;
  bool running_ = false;  // initialisation finished, the panel placed and shown
  bool endRequested_ = false;
};

}  // namespace tavrel
