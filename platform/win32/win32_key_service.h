#pragma once

#include <bitset>
#include <mutex>

#include "platform/held_input.h"
#include "platform/key_service.h"

namespace tavrel {

// Key input through keybd_event, the active layout through VkKeyScanA, key state through
// GetKeyState. Keys it pressed and has not released (a latched modifier) are released when it
// goes, or when the program exits otherwise.
class Win32KeyService : public KeyService, public HeldInput {
 public:
  Win32KeyService() { held_input::Register(*this); }
  ~Win32KeyService() override;
  Win32KeyService(const Win32KeyService&) = delete;
  Win32KeyService& operator=(const Win32KeyService&) = delete;

  void KeyEvent(uint8_t virtualKey, bool release) override;
  uint16_t VkKeyScan(char character) override;
  uint16_t GetKeyState(uint8_t virtualKey) override;
  void ReleaseHeld() override;

 private:
  std::mutex mutex_;
  std::bitset<256> held_;
};

}  // namespace tavrel
