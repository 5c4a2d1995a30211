#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/child_process.h"
#include "testing/test_desktop.h"
#include "testing/xvfb_server.h"
#include "tools/sim/controller_emulator.h"

namespace tavrel {

// The real program on a private display, as the end-to-end tests, the soak run and the headless
// session run it: Xvfb of a given size, a connection to it, trayer as the tray host when asked
// for, a machine directory with its ports/ folder and the emulator on one of them.
class DesktopRig {
 public:
  // machine: the machine directory to use and keep; when empty, a fresh one named after the rig,
  // removed at the end.
  DesktopRig(const std::string& name, int width, int height,
             const std::filesystem::path& machine = {});
  ~DesktopRig();
  DesktopRig(const DesktopRig&) = delete;
  DesktopRig& operator=(const DesktopRig&) = delete;

  // Empty once the display, its connection and the machine directory are there; else what
  // failed.
  const std::string& Error() const { return error_; }
  const XvfbServer& Xvfb() const { return xvfb_; }
  const std::string& Display() const { return xvfb_.Display(); }
  Desktop& Screen() { return desktop_; }
  const std::filesystem::path& Machine() const { return machine_; }

  // trayer along the bottom-left edge, with extra arguments; true once its panel shows.
  bool StartTray(const std::vector<std::string>& extra = {});
  void StopTray() { tray_.reset(); }
  // The emulator in this process, on the machine directory's ports; false with its error in
  // Error().
  bool StartEmulator(sim::EmulatorOptions options = {});
  sim::ControllerEmulator& Emulator() { return *emulator_; }

  // The command on the display, in an X11 session unless env says otherwise (its entries come
  // first), its output going to the file log.
  Child StartProgram(const std::vector<std::string>& command, const std::vector<std::string>& env,
                     const std::filesystem::path& log) const;
  // Opens the tray icon's menu with a left-button press, as a user would; true once it shows.
  // Its entries are then chosen with the arrow keys and Return.
  bool OpenTrayMenu();
  // Opens the menu and chooses an entry: `arrow` (Down counts from the top, Up from the bottom)
  // `times`, then Return; false when the menu did not open.
  bool ChooseFromTrayMenu(XKeySym arrow, int times);

 private:
  std::filesystem::path machine_;
  bool removeMachine_;
  std::string error_;
  XvfbServer xvfb_;
  Desktop desktop_;
  std::optional<Child> tray_;
  std::unique_ptr<sim::ControllerEmulator> emulator_;
};

}  // namespace tavrel
