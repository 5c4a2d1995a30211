#pragma once

#include <cstdint>

#include "tools/sim/controller_emulator.h"

namespace tavrel::soak {

// Drags and taps in the middle of the screen (clear of the tray and the panel), each report far
// enough from the one before that it moves the pointer by several pixels: a report lost shows
// as a move missing.
class Gestures {
 public:
  // Queues a touch with `steps` moves; returns the reports queued.
  uint32_t Drag(sim::ControllerEmulator& emulator, uint32_t steps);
  uint32_t Tap(sim::ControllerEmulator& emulator);

 private:
  struct Point {
    uint32_t x, y;
  };
  // The next gesture's start, away from where the last one ended.
  Point Start();
  void Send(sim::ControllerEmulator& emulator, uint8_t status, Point at);

  uint32_t count_ = 0;
  Point last_{0, 0};
  Point lastTouching_{0, 0};
};

}  // namespace tavrel::soak
