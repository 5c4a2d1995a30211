#pragma once

#include <string>

#include "tools/sim/controller_emulator.h"

namespace tavrel::sim {

// The emulator's touch commands, one a line, as its help shows them.
inline constexpr const char* kTouchScriptHelp =
    "  down X Y                   finger down (a touching report, status 0x81)\n"
    "  move X Y                   finger moved (a touching report)\n"
    "  up [X Y]                   finger lifted (status 0x80), where it last was unless given\n"
    "  tap X Y                    down and up\n"
    "  drag X1 Y1 X2 Y2 [STEPS]   down, STEPS moves (default 10) along the line, up\n"
    "  wait MS                    pause the output for MS milliseconds\n"
    "  raw HH HH ...              bytes in hexadecimal, sent as they stand\n"
    "  hangup                     hang the line up\n"
    "  reconnect                  after a hang-up, bring a fresh line up at the same link\n"
    "Coordinates are raw controller units, 0 to 2047; '#' starts a comment.\n";

class TouchScript {
 public:
  explicit TouchScript(ControllerEmulator& emulator) : emulator_(emulator) {}
  // Queues one line's output; returns an error text, empty when the line is good.
  std::string Run(const std::string& line);

 private:
  ControllerEmulator& emulator_;
  uint32_t x_ = 0, y_ = 0;
};

}  // namespace tavrel::sim
