// tavrel-link-probe: finds the controller as the program does, shows its calibration, then prints
// every pointer event its touches make, for a given number of seconds (default 30).
#include "platform/linux/kept_system_parameters.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/serial_ports.h"
#include "platform/linux/settings_file_store.h"
#include "tools/probe/probe.h"

int main(int argc, char** argv) {
  using namespace tavrel;
  int status = 0;
  const std::optional<int> seconds = ProbeSeconds(argc, argv, status);
  if (!seconds) return status;
  SettingsFileStore store(MachineDirectory());
  KeptSystemParameters system;
  LinuxSerialPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  return RunLinkProbe(store, system, {ports, events, threads, clock}, *seconds);
}
