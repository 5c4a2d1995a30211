#pragma once

#include <atomic>
#include <bitset>
#include <mutex>
#include <string>

#include "platform/held_input.h"
#include "platform/key_layout.h"
#include "platform/key_service.h"

struct _XDisplay;

namespace tavrel {

// Key input through XTest on its own display connection, with the layout read from XKB at each
// call, so that a layout switched meanwhile is the one used. Virtual keys map to physical keys by
// XKB key name (digits, punctuation, named keys: their places on a US keyboard) and, for letters,
// to the key that types the letter at the first level of the active group. Right Alt is the key
// named RALT: the level-3 shift (AltGr) on layouts that have a third level. Its lookups serve other
// back ends as the X server's layout. Keys it pressed and has not released (a latched modifier)
// are released when it goes, or when the program exits otherwise.
class XkbKeyService : public KeyService, public KeyLayout, public HeldInput {
 public:
  // displayName as XOpenDisplay takes it; empty for $DISPLAY.
  explicit XkbKeyService(const std::string& displayName = "");
  ~XkbKeyService() override;
  XkbKeyService(const XkbKeyService&) = delete;
  XkbKeyService& operator=(const XkbKeyService&) = delete;

  // False when the display, XTest or XKB was unavailable; events are then dropped, lookups find
  // nothing and every key reads as up, as they do once the connection has broken.
  bool IsOpen() const { return display_ != nullptr; }

  // A virtual key without a physical key on the active keymap injects nothing.
  void KeyEvent(uint8_t virtualKey, bool release) override;
  // Shift state: kShift for the second level, kAltGr for the third (kShift too for the fourth),
  // as far as those levels are reached with Shift and the RALT key alone.
  uint16_t VkKeyScan(char character) override;
  uint16_t GetKeyState(uint8_t virtualKey) override;
  uint8_t KeycodeOf(uint8_t virtualKey) override;
  void ReleaseHeld() override;

 private:
  bool Usable() const { return display_ != nullptr && !lost_; }

  std::mutex mutex_;
  _XDisplay* display_ = nullptr;
  std::atomic<bool> lost_{false};
  // Physical keys pressed through this service and not released since.
  std::bitset<256> held_;
};

}  // namespace tavrel
