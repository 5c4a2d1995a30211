// tavrel.exe: the touch-screen manager on the Windows desktop. It reads no command line; its
// settings live in the registry key HKEY_LOCAL_MACHINE\Software\Morvane\Tavrel.
#include <windows.h>

#include "app/touch_app.h"
#include "platform/win32/beep_tone.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/send_input_pointer.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_key_service.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_serial_ports.h"
#include "platform/win32/win32_single_instance.h"
#include "platform/win32/win32_system_parameters.h"
#include "platform/win32/win32_window_service.h"

int main() {
  using namespace tavrel;
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
  // Before anything opens the port or adds an icon.
  Win32SingleInstance instance;
  if (!app.ClaimInstance(instance)) return 0;
  app.InitInstance();
  return app.ExitStatus();
}
