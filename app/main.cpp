// tavrel: the touch-screen manager. It takes only --wait, --help and --version; its settings
// live in the machine directory ($TAVREL_MACHINE_DIR).
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
#include "platform/x11/xkb_key_service.h"
#include "platform/x11/xtest_pointer_service.h"
#include "tavrel_version.h"

int main(int argc, char** argv) {
  using namespace tavrel;
  const std::string help = TavrelHelp(
      "Its settings live in $TAVREL_MACHINE_DIR/settings.reg (default\n"
      "/var/lib/tavrel/settings.reg); it logs to standard error and the system log.\n");
  const CommandLineOutcome command = HandleCommandLine("tavrel", help, argc, argv);
  if (!command.run) return command.status;
  SystemLogSink logSink("tavrel");
  log::SetSink(&logSink, log::LevelFromEnvironment());
  log::Info(std::string("version ") + kTavrelVersion + ", machine directory " + MachineDirectory());
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
  app.SetControllerWait(command.waitSeconds);
  // Before anything opens the port or adds an icon.
  QtSingleInstance instance;
  if (!app.ClaimInstance(instance)) return 0;
  app.InitInstance();
  log::Info("exit status " + std::to_string(app.ExitStatus()));
  return app.ExitStatus();
}
