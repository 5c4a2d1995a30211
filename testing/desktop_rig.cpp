#include "testing/desktop_rig.h"

#include "testing/program_rig.h"

// Last: Xlib's macros clash with the headers above.
#include <X11/keysym.h>

namespace tavrel {

DesktopRig::DesktopRig(const std::string& name, int width, int height,
                       const std::filesystem::path& machine)
    : machine_(machine.empty() ? MachineDirectory(name) : machine),
      removeMachine_(machine.empty()),
      xvfb_(width, height),
      desktop_(xvfb_.Display()) {
  std::error_code failed;
  std::filesystem::create_directories(machine_ / "ports", failed);
  if (xvfb_.Display().empty()) {
    error_ = "Xvfb did not start";
  } else if (!desktop_.IsOpen()) {
    error_ = "cannot connect to " + xvfb_.Display();
  } else if (failed) {
    error_ = "cannot create " + (machine_ / "ports").string() + ": " + failed.message();
  }
}

DesktopRig::~DesktopRig() {
  // The emulator's link goes with it, before its folder does.
  emulator_.reset();
  tray_.reset();
  std::error_code ignored;
  if (removeMachine_) std::filesystem::remove_all(machine_, ignored);
}

bool DesktopRig::StartTray(const std::vector<std::string>& extra) {
  std::vector<std::string> command = TrayCommand();
  command.insert(command.end(), extra.begin(), extra.end());
  tray_.emplace(command, std::vector<std::string>{"DISPLAY=" + Display()});
  return desktop_.WaitWindow([](const Found& w) { return w.name == "panel"; }).has_value();
}

bool DesktopRig::StartEmulator(sim::EmulatorOptions options) {
  options.machineDir = machine_.string();
  emulator_ = std::make_unique<sim::ControllerEmulator>(std::move(options));
  if (emulator_->Start()) return true;
  error_ = emulator_->Error();
  return false;
}

Child DesktopRig::StartProgram(const std::vector<std::string>& command,
                               const std::vector<std::string>& env,
                               const std::filesystem::path& log) const {
  std::vector<std::string> environment = ProgramEnvironment(env, Display(), machine_);
  environment.insert(environment.end(), {"XDG_SESSION_TYPE=x11", "WAYLAND_DISPLAY="});
  return Child(command, environment, log.string());
}

bool DesktopRig::OpenTrayMenu() {
  const auto icon = desktop_.WaitWindow(IsTrayIcon);
  if (!icon) return false;
  desktop_.Press(icon->x + 11, icon->y + 11, true);
  const auto menu = desktop_.WaitWindow(IsTrayMenu);
  desktop_.Press(icon->x + 11, icon->y + 11, false);
  return menu.has_value();
}

bool DesktopRig::ChooseFromTrayMenu(XKeySym arrow, int times) {
  if (!OpenTrayMenu()) return false;
  for (int i = 0; i < times; ++i) desktop_.Key(arrow);
  desktop_.Key(XK_Return);
  return true;
}

}  // namespace tavrel
