// tavrel-link-probe: finds the controller as the program does, shows its calibration, then prints
// every pointer event its touches make, for a given number of seconds (default 30).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "app/command_line.h"
#include "link/serial_port.h"
#include "platform/linux/kept_system_parameters.h"
#include "platform/linux/linux_events.h"
#include "platform/linux/linux_runtime.h"
#include "platform/linux/machine_directory.h"
#include "platform/linux/serial_ports.h"
#include "platform/linux/settings_file_store.h"
#include "platform/windowless_service.h"

namespace {

using namespace tavrel;

class PrintedWindows : public WindowlessService {
 public:
  void ShowMessage(const std::string& caption, const std::string& text) override {
    std::printf("[%s] %s\n", caption.c_str(), text.c_str());
  }
  void SetButtonImage(ControlHandle, ImageHandle) override {}
};

class PrintedPointer : public PointerService {
 public:
  uint32_t SendInput(const MouseInput& input) override {
    if (input.dwFlags & kMouseMove) {
      std::printf("move %d,%d\n", input.dx, input.dy);
    } else {
      std::printf("button flags %#x\n", input.dwFlags);
    }
    std::fflush(stdout);
    return 1;
  }
};

class Silence : public ToneService {
 public:
  bool Beep(uint32_t, uint32_t) override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::fputs(VersionLine("tavrel-link-probe").c_str(), stdout);
    return 0;
  }
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  SettingsFileStore store(MachineDirectory());
  KeptSystemParameters system;
  PrintedWindows windows;
  TouchSettings settings({store, system, windows}, 0, 0, 0);
  PrintedPointer pointer;
  Silence tone;
  ReportDecoder decoder(settings, pointer, tone);
  LinuxSerialPorts ports;
  LinuxEventService events;
  LinuxThreadService threads;
  SystemClock clock;
  CTvSerialPort port(settings, decoder, {ports, events, threads, clock});

  int32_t found = 0;
  const int32_t result = port.DetectController(found);
  std::printf("DetectController: %d (port %s)\n", result, port.PortName().c_str());
  if (result != link_result::kOk) return 1;
  if (found != 0) settings.SaveSerialPort(found);
  std::printf("corners: left-bottom %d,%d  right-bottom %d,%d  left-top %d,%d  right-top %d,%d\n",
              settings.leftBottomX.load(), settings.leftBottomY.load(),
              settings.rightBottomX.load(), settings.rightBottomY.load(), settings.leftTopX.load(),
              settings.leftTopY.load(), settings.rightTopX.load(), settings.rightTopY.load());
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  port.CloseSerialPort(1);
  return 0;
}
