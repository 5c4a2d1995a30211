// tavrel.exe: the touch-screen manager on the Windows desktop. It takes only --wait, --help and
// --version; its settings live in the registry key HKEY_LOCAL_MACHINE\Software\Morvane\Tavrel.
#include <windows.h>

#include <string>

#include "app/command_line.h"
#include "app/touch_app.h"
#include "platform/win32/beep_tone.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/send_input_pointer.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_key_service.h"
#include "platform/win32/win32_log_sink.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_serial_ports.h"
#include "platform/win32/win32_single_instance.h"
#include "platform/win32/win32_system_parameters.h"
#include "platform/win32/win32_window_service.h"
#include "tavrel_version.h"

namespace {

constexpr char kSettingsKey[] = "HKEY_LOCAL_MACHINE\\Software\\Morvane\\Tavrel";

}  // namespace

int main(int argc, char** argv) {
  using namespace tavrel;
  const std::string logPath = Win32LogSink::DefaultPath();
  const CommandLineOutcome command =
      ParseCommandLine("tavrel",
                       TavrelHelp(std::string("Its settings live in the registry key\n") +
                                  kSettingsKey + "; it logs to\n" + logPath + ".\n"),
                       ArgumentsAfterName(argc, argv));
  if (!command.run) {
    ShowProgramTexts("Tavrel", command.out, command.err);
    return command.status;
  }
  Win32LogSink logSink(logPath);
  log::SetSink(&logSink, log::LevelFromEnvironment());
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
  if (!app.ClaimInstance(instance)) return 0;
  app.InitInstance();
  log::Info("exit status " + std::to_string(app.ExitStatus()));
  return app.ExitStatus();
}
