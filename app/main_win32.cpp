// tavrel.exe: the touch-screen manager on the Windows desktop. It takes --help, --version and
// --wait, and two options its installer uses; its settings live in the registry key
// HKEY_LOCAL_MACHINE\Software\Morvane\Tavrel.
#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_panel.h"
#include "app/touch_app.h"
#include "platform/win32/beep_tone.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/send_input_pointer.h"
#include "platform/win32/settings_key_sharing.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_key_service.h"
#include "platform/win32/win32_log_sink.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_serial_ports.h"
#include "platform/win32/win32_single_instance.h"
#include "platform/win32/win32_system_parameters.h"
#include "platform/win32/win32_window_service.h"
#include "resources/resource_ids.h"
#include "tavrel_version.h"

namespace {

constexpr char kSettingsKey[] = "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel";
constexpr char kCloseOption[] = "--close";
constexpr uint32_t kCloseWaitMs = 10000;

std::string InstallerOptionsHelp() {
  return std::string("  ") + tavrel::RegistryStore::kShareOption +
         "  create the settings key and let every user of the machine change it\n"
         "                    (as an administrator; the installer does this)\n"
         "  --close           ask the tavrel running in this session to close, as its\n"
         "                    tray menu's Close does; status 1 if it has not ended\n"
         "                    after 10 seconds\n";
}

bool IsInstallerOption(std::span<const std::string_view> args) {
  return args.size() == 1 && (args[0] == tavrel::RegistryStore::kShareOption ||
                              args[0] == std::string_view(kCloseOption));
}

// What the installer runs tavrel.exe for; the status to end with. The outcome goes to the log
// (and standard error), never to a box: an unattended install must not wait for a click.
int RunInstallerOption(std::string_view option) {
  using namespace tavrel;
  if (option == RegistryStore::kShareOption) {
    const std::string failure = ShareSettingsKey(RegistryStore::kDefaultKey);
    log::Info(failure.empty() ? std::string("Settings key shared: every user may change it")
                              : "Settings key not shared: " + failure);
    return failure.empty() ? 0 : 1;
  }
  const bool closed = Win32SingleInstance::CloseRunning(kCloseWaitMs);
  log::Info(closed ? "No tavrel runs in this session (any more)"
                   : "The tavrel running in this session did not close within 10 seconds");
  return closed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tavrel;
  const std::string logPath = Win32LogSink::DefaultPath();
  const std::vector<std::string_view> args = ArgumentsAfterName(argc, argv);
  const CommandLineOutcome command = ParseCommandLine(
      "tavrel",
      TavrelHelp(std::string("Its settings live in the registry key\n") + kSettingsKey +
                     " (WOW6432Node on 64-bit Windows); it logs to\n" + logPath + ".\n",
                 InstallerOptionsHelp()),
      args);
  if (!command.run && !IsInstallerOption(args)) {
    ShowProgramTexts("Tavrel", command.out, command.err);
    return command.status;
  }
  Win32LogSink logSink(logPath);
  log::SetSink(&logSink, log::LevelFromEnvironment());
  if (IsInstallerOption(args)) return RunInstallerOption(args[0]);
  log::Info(std::string("version ") + kTavrelVersion + ", settings " + kSettingsKey);

  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  Win32WindowService windows;
  RegistryStore store;
  Win32SystemParameters system;
  SendInputPointer pointer;
  BeepTone tone;
  Win32SerialPorts ports;
  Win32EventService events;
  Win32ThreadService threads;
  Win32Clock clock;
  Win32KeyService keys;
  TouchApp app({store, system, windows, pointer, tone, {ports, events, threads, clock}, keys},
               path);
  app.SetControllerWait(command.waitSeconds);
  // Before anything opens the port or adds an icon.
  Win32SingleInstance instance;
  // The installer's request takes the tray menu's Close path, once the panel runs.
  instance.OnCloseRequest([&app] {
    if (MainPanel* panel = app.MainWindow()) {
      PostMessageA(reinterpret_cast<HWND>(panel->Window()), WM_COMMAND, resource_id::kCloseCommand,
                   0);
    }
  });
  if (!app.ClaimInstance(instance)) return 0;
  app.InitInstance();
  log::Info("exit status " + std::to_string(app.ExitStatus()));
  return app.ExitStatus();
}
