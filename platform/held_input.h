#pragma once

namespace tavrel {

// A service that holds input down on the desktop (keys, pointer buttons) and can let go of it.
class HeldInput {
 public:
  virtual ~HeldInput() = default;
  // Releases every key or button this service pressed and has not released. Any thread.
  virtual void ReleaseHeld() = 0;
};

// Whatever way the program ends, nothing it pressed stays down: a service releases what it holds
// when it goes, and while it is registered here, an end through exit() (a toolkit that loses its
// display ends the program so) or through std::terminate releases it too.
namespace held_input {

void Register(HeldInput& input);
void Unregister(HeldInput& input);
// Releases what every registered service holds.
void ReleaseAll();

}  // namespace held_input
}  // namespace tavrel
