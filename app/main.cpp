// tavrel: the touch-screen manager. It takes only --help and --version; its settings live in the
// machine directory ($TAVREL_MACHINE_DIR).
#include "app/command_line.h"
#include "app/program_arguments.h"
#include "app/touch_app.h"
#include "platform/alsa/alsa_tone_service.h"
#include "platform/linux/kept_system_parameters.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/serial_ports.h"
#include "platform/linux/settings_file_store.h"
#include "platform/linux/system_log_sink.h"
#include "platform/qt/qt_single_instance.h"
#include "platform/qt/qt_system_parameters.h"
#include "platform/qt/qt_window_service.h"
#include "platform/x11/display_check.h"
#include "platform/x11/xkb_key_service.h"
#include "platform/x11/xtest_pointer_service.h"
#include "tavrel_version.h"

namespace {

// The window layer would abort without a display: say why, in the log and on standard error,
// and end with status 1.
int EndWithoutDisplay(const std::string& why) {
  tavrel::log::Info(why + "; tavrel needs an X display (set DISPLAY)");
  tavrel::log::Info("exit status 1");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavrel;
  const std::string help = TavrelHelp(
      "Its settings live in $TAVREL_MACHINE_DIR/settings.reg (default\n"
      "/var/lib/tavrel/settings.reg); it logs to standard error and the system log.\n");
  if (const auto status = HandleCommandLine("tavrel", help, argc, argv)) return *status;
  SystemLogSink logSink("tavrel");
  log::SetSink(&logSink, log::LevelFromEnvironment());
  log::Info(std::string("version ") + kTavrelVersion + ", machine directory " + MachineDirectory());
  if (const auto why = MissingDisplay()) return EndWithoutDisplay(*why);
  ProgramArguments arguments(argc, argv);
  QtWindowService windows(arguments.Count(), arguments.Values());
  SettingsFileStore store(MachineDirectory());
  KeptSystemParameters keptSystem;
  QtSystemParameters system(keptSystem);
  XTestPointerService pointer;
  // Calibration needs a left-button-down for every press it injects, held button or not.
  pointer.OnRepeatedLeftPress([&windows] { windows.PostRepeatedLeftPress(); });
  AlsaToneService tone;
  LinuxSerialPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  XkbKeyService keys;
  TouchApp app({store, system, windows, pointer, tone, {ports, events, threads, clock}, keys},
               arguments.Path());
  // Before anything opens the port or adds an icon.
  QtSingleInstance instance;
  if (!app.ClaimInstance(instance)) return 0;
  app.InitInstance();
  log::Info("exit status " + std::to_string(app.ExitStatus()));
  return app.ExitStatus();
}
