#include "tools/soak/gestures.h"

#include <algorithm>

#include "touch/touch_report.h"

namespace tavrel::soak {

namespace {
// Raw controller units; 24 of them are more than ten pixels on a 1024 × 768 screen.
constexpr uint32_t kLow = 350, kSpan = 1000, kStep = 24, kApart = 3 * kStep;

uint32_t Distance(uint32_t a, uint32_t b) { return a > b ? a - b : b - a; }
}  // namespace

Gestures::Point Gestures::Start() {
  ++count_;
  Point start{kLow + (count_ * 137) % kSpan, kLow + (count_ * 311) % kSpan};
  // Away from the last report, and from the last touching one: the movement filter measures a
  // touch's first move from there.
  const auto near = [&](Point other) {
    return Distance(start.x, other.x) < kApart && Distance(start.y, other.y) < kApart;
  };
  while (near(last_) || near(lastTouching_)) start.x = kLow + (start.x - kLow + kApart) % kSpan;
  return start;
}

void Gestures::Send(sim::ControllerEmulator& emulator, uint8_t status, Point at) {
  emulator.Report(status, at.x, at.y);
  last_ = at;
  if (status == kStatusTouching) lastTouching_ = at;
}

uint32_t Gestures::Drag(sim::ControllerEmulator& emulator, uint32_t steps) {
  // Half the area at most, so that one of the two directions always stays inside it.
  steps = std::min(steps, kSpan / 2 / kStep);
  Point at = Start();
  // Down, then along a diagonal towards the side with room for it.
  Send(emulator, kStatusTouching, at);
  int32_t dx = at.x + steps * kStep > kLow + kSpan ? -1 : 1;
  const int32_t dy = at.y + steps * kStep > kLow + kSpan ? -1 : 1;
  for (uint32_t i = 0; i < steps; ++i) {
    at = {static_cast<uint32_t>(static_cast<int32_t>(at.x) + dx * static_cast<int32_t>(kStep)),
          static_cast<uint32_t>(static_cast<int32_t>(at.y) + dy * static_cast<int32_t>(kStep))};
    Send(emulator, kStatusTouching, at);
  }
  dx = -dx;
  Send(
      emulator, kStatusReleased,
      {static_cast<uint32_t>(static_cast<int32_t>(at.x) + dx * static_cast<int32_t>(kStep)), at.y});
  return steps + 2;
}

uint32_t Gestures::Tap(sim::ControllerEmulator& emulator) {
  const Point at = Start();
  Send(emulator, kStatusTouching, at);
  // The lift a little aside, so that it too moves the pointer.
  Send(emulator, kStatusReleased, {at.x + kStep, at.y});
  return 2;
}

}  // namespace tavrel::soak
