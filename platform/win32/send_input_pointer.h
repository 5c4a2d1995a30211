#pragma once

#include "platform/pointer_service.h"

namespace tavrel {

// Mouse events through SendInput; absolute moves span the primary monitor.
class SendInputPointer : public PointerService {
 public:
  uint32_t SendInput(const MouseInput& input) override;
};

}  // namespace tavrel
