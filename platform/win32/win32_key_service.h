#pragma once

#include "platform/key_service.h"

namespace tavrel {

// Key input through keybd_event, the active layout through VkKeyScanA, key state through
// GetKeyState.
class Win32KeyService : public KeyService {
 public:
  void KeyEvent(uint8_t virtualKey, bool release) override;
  uint16_t VkKeyScan(char character) override;
  uint16_t GetKeyState(uint8_t virtualKey) override;
};

}  // namespace tavrel
