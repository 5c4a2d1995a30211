// tavrel-link-probe: finds the controller as the program does, shows its calibration, then prints
// every pointer event its touches make, for a given number of seconds (default 30).
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/command_line.h"
#include "platform/linux/kept_system_parameters.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/serial_ports.h"
#include "platform/linux/settings_file_store.h"
#include "tools/probe/probe.h"

int main(int argc, char** argv) {
  using namespace tavrel;
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::fputs(VersionLine("tavrel-link-probe").c_str(), stdout);
    return 0;
  }
  SettingsFileStore store(MachineDirectory());
  KeptSystemParameters system;
  LinuxSerialPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  return RunLinkProbe(store, system, {ports, events, threads, clock},
                      argc > 1 ? std::atoi(argv[1]) : 30);
}
