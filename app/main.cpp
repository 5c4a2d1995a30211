// tavrel: the touch-screen manager. It takes --help and --version, and --wait, --input and
// --no-window; its settings live in the machine directory ($TAVREL_MACHINE_DIR).
#include <cstdlib>
#include <iostream>

#include "app/command_line.h"
#include "app/input_choice.h"
#include "app/program_arguments.h"
#include "app/touch_app.h"
#include "platform/alsa/alsa_tone_service.h"
#include "platform/linux/headless_window_service.h"
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
#include "platform/uinput/session_input.h"
#include "platform/x11/display_check.h"
#include "tavrel_version.h"

namespace {

using namespace tavrel;

// The pointer and key services the session and --input ask for; a wanted back end that cannot
// be had is said in the log and, where showBox says so, in a box.
void ChooseInput(SessionInput& input, input_choice::Request request, WindowService& windows) {
  const auto session = input_choice::SessionOf([](const char* name) { return std::getenv(name); });
  std::string uinputError;
  if (input_choice::WantsUinput(session, request)) {
    uinputError = input.TryUinput(session != input_choice::Session::kNoDisplay);
  }
  const input_choice::Decision decision = input_choice::Choose(session, request, uinputError);
  if (decision.backEnd == input_choice::BackEnd::kXTest) input.UseXTest();
  if (decision.message.empty()) return;
  log::Info(decision.message);
  if (decision.showBox) windows.ShowMessage("Tavrel", decision.message);
}

// Runs the program on the window layer given, until one of its shutdown routes; the status.
int Run(WindowService& windows, SystemParameters& system, SessionInput& input,
        const std::string& path, int32_t waitSeconds, SingleInstance* instance) {
  SettingsFileStore store(MachineDirectory());
  AlsaToneService tone;
  LinuxSerialPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  TouchApp app({store,
                system,
                windows,
                input.Pointer(),
                tone,
                {ports, events, threads, clock},
                input.Keys()},
               path);
  app.SetControllerWait(waitSeconds);
  // Before anything opens the port or adds an icon.
  if (instance != nullptr && !app.ClaimInstance(*instance)) return 0;
  app.InitInstance();
  log::Info("exit status " + std::to_string(app.ExitStatus()));
  return app.ExitStatus();
}

// No panel, tray icon or dialogs: detection, touches and the log only, until stopped by a signal.
int RunWithoutWindows(input_choice::Request request, const std::string& path, int32_t waitSeconds) {
  log::Info("window-less: no panel, tray icon or dialogs; message boxes go to the log only");
  // First, so that every thread leaves the stop signals to this one.
  HeadlessWindowService windows;
  KeptSystemParameters system;
  SessionInput input;
  ChooseInput(input, request, windows);
  return Run(windows, system, input, path, waitSeconds, nullptr);
}

// The window layer would abort without a display: say why, in the log and on standard error,
// and end with status 1.
int EndWithoutDisplay(const std::string& why) {
  log::Info(why + "; tavrel needs an X display (set DISPLAY), or --no-window to run without one");
  log::Info("exit status 1");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavrel;
  const std::string help = TavrelHelp(
      "Its settings live in $TAVREL_MACHINE_DIR/settings.reg (default\n"
      "/var/lib/tavrel/settings.reg); it logs to standard error and the system log.\n",
      input_choice::kHelp);
  const auto parsed = input_choice::TakeRunOptions(ArgumentsAfterName(argc, argv));
  if (parsed.error) {
    std::cerr << "tavrel: " << *parsed.error << "\n";
    return 2;
  }
  const CommandLineOutcome command = HandleCommandLine("tavrel", help, parsed.rest);
  if (!command.run) return command.status;
  SystemLogSink logSink("tavrel");
  log::SetSink(&logSink, log::LevelFromEnvironment());
  log::Info(std::string("version ") + kTavrelVersion + ", machine directory " + MachineDirectory());
  ProgramArguments arguments(argc, argv);
  if (parsed.options.noWindow) {
    return RunWithoutWindows(parsed.options.input, arguments.Path(), command.waitSeconds);
  }
  if (const auto why = MissingDisplay()) return EndWithoutDisplay(*why);
  QtWindowService windows(arguments.Count(), arguments.Values());
  KeptSystemParameters keptSystem;
  QtSystemParameters system(keptSystem);
  SessionInput input;
  ChooseInput(input, parsed.options.input, windows);
  // Calibration needs a left-button-down for every press it injects, held button or not.
  input.Pointer().OnRepeatedLeftPress([&windows] { windows.PostRepeatedLeftPress(); });
  QtSingleInstance instance;
  return Run(windows, system, input, arguments.Path(), command.waitSeconds, &instance);
}
