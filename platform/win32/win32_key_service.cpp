#include "platform/win32/win32_key_service.h"

#include <windows.h>
// After windows.h: its VkKeyScan macro would rename the method.
#undef VkKeyScan

namespace tavrel {

void Win32KeyService::KeyEvent(uint8_t virtualKey, bool release) {
  keybd_event(virtualKey, 0, release ? KEYEVENTF_KEYUP : 0, 0);
}

uint16_t Win32KeyService::VkKeyScan(char character) {
  return static_cast<uint16_t>(VkKeyScanA(character));
}

uint16_t Win32KeyService::GetKeyState(uint8_t virtualKey) {
  return static_cast<uint16_t>(::GetKeyState(virtualKey));
}

}  // namespace tavrel
