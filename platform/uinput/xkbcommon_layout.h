#pragma once

#include <string>

#include "platform/key_layout.h"

struct xkb_context;
struct xkb_keymap;

namespace tavrel {

// A layout compiled by libxkbcommon from rules, model, layout, variant and options, for key
// injection where no display server tells the active one (the console, the login screen before
// a session, a kiosk without X). Its first layout is the active one.
class XkbCommonLayout : public KeyLayout {
 public:
  struct Names {
    std::string model, layout, variant, options;
  };
  // Names left empty take libxkbcommon's defaults (XKB_DEFAULT_* in the environment, else a US
  // pc105 keyboard); rules are always "evdev", the kernel's key codes.
  explicit XkbCommonLayout(const Names& names);
  ~XkbCommonLayout() override;
  XkbCommonLayout(const XkbCommonLayout&) = delete;
  XkbCommonLayout& operator=(const XkbCommonLayout&) = delete;

  // The names as the system's keyboard configuration (/etc/default/keyboard, which a service
  // can read as its environment file) spells them: XKBMODEL, XKBLAYOUT, XKBVARIANT, XKBOPTIONS.
  static Names FromEnvironment();

  // False when the keymap could not be compiled (no keyboard data); nothing is found then.
  bool IsValid() const { return keymap_ != nullptr; }
  uint8_t KeycodeOf(uint8_t virtualKey) override;
  // Shift state as XkbKeyService gives it: kShift for Shift, kAltGr for the modifiers the right
  // Alt key sets, as far as those reach the level.
  uint16_t VkKeyScan(char character) override;

 private:
  uint32_t KeyByFirstLevel(uint32_t keysym) const;
  uint8_t VirtualKeyOf(uint32_t keycode) const;
  int ShiftState(uint32_t keycode, uint32_t level) const;
  uint32_t Sym(uint32_t keycode, uint32_t level) const;

  xkb_context* context_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  uint32_t shiftMask_ = 0;
  uint32_t altGrMask_ = 0;
};

}  // namespace tavrel
