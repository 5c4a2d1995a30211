// tavrel-link-probe.exe: the same probe on the Windows serial ports and registry.
#include "platform/win32/registry_store.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_runtime.h"
#include "platform/win32/win32_serial_ports.h"
#include "platform/win32/win32_system_parameters.h"
#include "tools/probe/probe.h"

int main(int argc, char** argv) {
  using namespace tavrel;
  int status = 0;
  const std::optional<int> seconds = ProbeSeconds(argc, argv, status);
  if (!seconds) return status;
  RegistryStore store;
  Win32SystemParameters system;
  Win32SerialPorts ports;
  Win32EventService events;
  Win32ThreadService threads;
  Win32Clock clock;
  return RunLinkProbe(store, system, {ports, events, threads, clock}, *seconds);
}
