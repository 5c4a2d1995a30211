#pragma once

#include <cstdint>

namespace tavrel {

// Pauses and the time, so that tests over fake devices run without sleeping.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual void Sleep(uint32_t ms) = 0;
  // Milliseconds from an arbitrary start; only differences mean anything.
  virtual uint64_t NowMs() = 0;
};

}  // namespace tavrel
