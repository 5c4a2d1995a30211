#pragma once

#include <string>

#include "platform/key_layout.h"
#include "platform/key_service.h"

struct _XDisplay;

namespace tavrel {

// Key input through XTest on its own display connection, with the layout read from XKB at each
// call, so that a layout switched meanwhile is the one used. Virtual keys map to physical keys by
// XKB key name (digits, punctuation, named keys: their places on a US keyboard) and, for letters,
// to the key that types the letter at the first level of the active group. Right Alt is the key
// named RALT: the level-3 shift (AltGr) on layouts that have a third level. For the
// user-interface thread only. Its lookups serve other back ends as the X server's layout.
class XkbKeyService : public KeyService, public KeyLayout {
 public:
  // displayName as XOpenDisplay takes it; empty for $DISPLAY.
  explicit XkbKeyService(const std::string& displayName = "");
  ~XkbKeyService() override;
  XkbKeyService(const XkbKeyService&) = delete;
  XkbKeyService& operator=(const XkbKeyService&) = delete;

  // False when the display, XTest or XKB was unavailable; events are then dropped, lookups find
  // nothing and every key reads as up.
  bool IsOpen() const { return display_ != nullptr; }

  // A virtual key without a physical key on the active keymap injects nothing.
  void KeyEvent(uint8_t virtualKey, bool release) override;
  // Shift state: kShift for the second level, kAltGr for the third (kShift too for the fourth),
  // as far as those levels are reached with Shift and the RALT key alone.
  uint16_t VkKeyScan(char character) override;
  uint16_t GetKeyState(uint8_t virtualKey) override;
  uint8_t KeycodeOf(uint8_t virtualKey) override;

 private:
  _XDisplay* display_ = nullptr;
};

}  // namespace tavrel
