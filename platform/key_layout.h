#pragma once

#include <cstdint>

namespace tavrel {

// The active keyboard layout as key injection needs it, for back ends that inject physical keys
// by number.
class KeyLayout {
 public:
  virtual ~KeyLayout() = default;
  // The physical key (an X key code: the kernel's key code + 8) of the virtual key; 0 for none.
  virtual uint8_t KeycodeOf(uint8_t virtualKey) = 0;
  // As KeyService::VkKeyScan.
  virtual uint16_t VkKeyScan(char character) = 0;
};

}  // namespace tavrel
