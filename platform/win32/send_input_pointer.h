#pragma once

#include <mutex>

#include "platform/held_input.h"
#include "platform/pointer_service.h"

namespace tavrel {

// Mouse events through SendInput; absolute moves span the primary monitor. A button it pressed
// and has not released is released when it goes, or when the program exits otherwise.
class SendInputPointer : public PointerService, public HeldInput {
 public:
  SendInputPointer() { held_input::Register(*this); }
  ~SendInputPointer() override;
  SendInputPointer(const SendInputPointer&) = delete;
  SendInputPointer& operator=(const SendInputPointer&) = delete;

  uint32_t SendInput(const MouseInput& input) override;
  void ReleaseHeld() override;

 private:
  uint32_t Inject(const MouseInput& input);

  std::mutex mutex_;
  // The down flags of the buttons this service pressed and has not released.
  uint32_t held_ = 0;
};

}  // namespace tavrel
