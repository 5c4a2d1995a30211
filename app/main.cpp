// tavrel: the touch-screen manager. It reads no command line; its settings live in the machine
// directory ($TAVREL_MACHINE_DIR).
#include "app/program_arguments.h"
#include "app/touch_app.h"
#include "platform/alsa/alsa_tone_service.h"
#include "platform/linux/kept_system_parameters.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/serial_ports.h"
#include "platform/linux/settings_file_store.h"
#include "platform/qt/qt_window_service.h"
#include "platform/x11/xtest_pointer_service.h"

int main(int argc, char** argv) {
  using namespace tavrel;
  ProgramArguments arguments(argc, argv);
  QtWindowService windows(arguments.Count(), arguments.Values());
  SettingsFileStore store(MachineDirectory());
  KeptSystemParameters system;
  XTestPointerService pointer;
  AlsaToneService tone;
  LinuxSerialPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  TouchApp app({store, system, windows, pointer, tone, {ports, events, threads, clock}},
               arguments.Path());
  app.InitInstance();
  return app.ExitStatus();
}
