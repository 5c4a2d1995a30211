#pragma once

#include <cstdint>

namespace tavrel {

// Mouse event flags, with the values the Windows desktop gives them.
inline constexpr uint32_t kMouseMove = 0x0001;
inline constexpr uint32_t kMouseLeftDown = 0x0002;
inline constexpr uint32_t kMouseLeftUp = 0x0004;
inline constexpr uint32_t kMouseRightDown = 0x0008;
inline constexpr uint32_t kMouseRightUp = 0x0010;
inline constexpr uint32_t kMouseAbsolute = 0x8000;

// One synthetic mouse event. With kMouseMove | kMouseAbsolute, dx and dy are 0..65535 over the
// primary monitor; without kMouseMove they are not applied.
struct MouseInput {
  int32_t dx = 0;
  int32_t dy = 0;
  uint32_t mouseData = 0;
  uint32_t dwFlags = kMouseMove | kMouseAbsolute;
  uint32_t time = 0;
  uintptr_t dwExtraInfo = 0;
};

class PointerService {
 public:
  virtual ~PointerService() = default;
  // Injects the event; returns the number of events accepted (0 or 1).
  virtual uint32_t SendInput(const MouseInput& input) = 0;
  // Whether the events reach every application of the session: a kernel input device's do;
  // those of a display server's test extension reach only that server's clients.
  virtual bool ReachesEveryClient() const { return false; }
};

}  // namespace tavrel
