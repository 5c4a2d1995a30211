#include "platform/win32/win32_key_service.h"

#include <windows.h>
// After windows.h: its VkKeyScan macro would rename the method.
#undef VkKeyScan

#include <string>

#include "platform/log.h"

namespace tavrel {

Win32KeyService::~Win32KeyService() {
  held_input::Unregister(*this);
  ReleaseHeld();
}

void Win32KeyService::KeyEvent(uint8_t virtualKey, bool release) {
  std::lock_guard lock(mutex_);
  keybd_event(virtualKey, 0, release ? KEYEVENTF_KEYUP : 0, 0);
  held_[virtualKey] = !release;
}

void Win32KeyService::ReleaseHeld() {
  std::lock_guard lock(mutex_);
  if (held_.none()) return;
  log::Info("released " + std::to_string(held_.count()) +
            " key(s) the on-screen keyboard still held down");
  for (size_t key = 0; key < held_.size(); ++key) {
    if (held_[key]) keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
  }
  held_.reset();
}

uint16_t Win32KeyService::VkKeyScan(char character) {
  return static_cast<uint16_t>(VkKeyScanA(character));
}

uint16_t Win32KeyService::GetKeyState(uint8_t virtualKey) {
  return static_cast<uint16_t>(::GetKeyState(virtualKey));
}

}  // namespace tavrel
