#include "tools/probe/probe.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "app/command_line.h"
#include "platform/message_service.h"

namespace tavrel {

namespace {

class PrintedMessages : public MessageService {
 public:
  void ShowMessage(const std::string& caption, const std::string& text) override {
    std::printf("[%s] %s\n", caption.c_str(), text.c_str());
  }
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

int RunLinkProbe(SettingsStore& store, SystemParameters& system, CTvSerialPort::Platform serial,
                 int seconds) {
  PrintedMessages messages;
  TouchSettings settings({store, system, messages});
  PrintedPointer pointer;
  Silence tone;
  ReportDecoder decoder(settings, pointer, tone);
  CTvSerialPort port(settings, decoder, serial);

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

namespace {

constexpr std::string_view kProbeHelp =
    "Usage: tavrel-link-probe [SECONDS | --help | --version]\n"
    "Finds the touch controller on its serial port as tavrel does, prints its calibration, then\n"
    "every pointer event its touches make for SECONDS (default 30).\n";

// A whole number of seconds from 1 to a day, or nothing.
std::optional<int> SecondsArgument(std::string_view text) {
  int seconds = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (seconds < 1 || seconds > 24 * 60 * 60) return std::nullopt;
  return seconds;
}

}  // namespace

std::optional<int> ProbeSeconds(int argc, char** argv, int& status) {
  const std::vector<std::string_view> args = ArgumentsAfterName(argc, argv);
  if (args.empty()) return 30;
  if (args.size() == 1) {
    if (const std::optional<int> seconds = SecondsArgument(args[0])) return seconds;
  }
  const CommandLineOutcome outcome =
      HelpOrVersion("tavrel-link-probe", kProbeHelp, args)
          .value_or(CommandLineOutcome{
              false, 2, "", std::string(kProbeHelp.substr(0, kProbeHelp.find('\n') + 1))});
  std::cout << outcome.out;
  std::cerr << outcome.err;
  status = outcome.status;
  return std::nullopt;
}

}  // namespace tavrel
