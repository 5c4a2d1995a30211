#pragma once

#include <cstdint>

namespace tavrel {

// Virtual-key numbers, the desktop's standard ones.
namespace vk {
inline constexpr uint8_t kBack = 0x08;
inline constexpr uint8_t kTab = 0x09;
inline constexpr uint8_t kReturn = 0x0D;
inline constexpr uint8_t kShift = 0x10;
inline constexpr uint8_t kControl = 0x11;
inline constexpr uint8_t kCapital = 0x14;
inline constexpr uint8_t kEscape = 0x1B;
inline constexpr uint8_t kSpace = 0x20;
inline constexpr uint8_t kPrior = 0x21;
inline constexpr uint8_t kNext = 0x22;
inline constexpr uint8_t kLeft = 0x25;
inline constexpr uint8_t kUp = 0x26;
inline constexpr uint8_t kRight = 0x27;
inline constexpr uint8_t kDown = 0x28;
inline constexpr uint8_t kInsert = 0x2D;
inline constexpr uint8_t kDelete = 0x2E;
inline constexpr uint8_t kF1 = 0x70;
inline constexpr uint8_t kF12 = 0x7B;
inline constexpr uint8_t kLMenu = 0xA4;
inline constexpr uint8_t kRMenu = 0xA5;
inline constexpr uint8_t kOem1 = 0xBA;  // ;: on the US layout
inline constexpr uint8_t kOemPlus = 0xBB;
inline constexpr uint8_t kOemComma = 0xBC;
inline constexpr uint8_t kOemMinus = 0xBD;
inline constexpr uint8_t kOemPeriod = 0xBE;
inline constexpr uint8_t kOem2 = 0xBF;    // /?
inline constexpr uint8_t kOem3 = 0xC0;    // `~
inline constexpr uint8_t kOem4 = 0xDB;    // [{
inline constexpr uint8_t kOem5 = 0xDC;    // \|
inline constexpr uint8_t kOem6 = 0xDD;    // ]}
inline constexpr uint8_t kOem7 = 0xDE;    // '"
inline constexpr uint8_t kOem102 = 0xE2;  // <> beside the left Shift
}  // namespace vk

// Shift state bits of a character lookup, in its high byte; Ctrl and Alt together are right Alt
// on layouts with a third level (AltGr), as the desktop reports them.
namespace key_shift {
inline constexpr uint16_t kShift = 0x0100;
inline constexpr uint16_t kCtrl = 0x0200;
inline constexpr uint16_t kAlt = 0x0400;
inline constexpr uint16_t kAltGr = kCtrl | kAlt;
}  // namespace key_shift

// A lookup's result for a character the active layout cannot type.
inline constexpr uint16_t kNoKey = 0xFFFF;

// Key state bits: down is any of the top four bits, toggled the lowest.
inline constexpr uint16_t kKeyDown = 0x8000;
inline constexpr uint16_t kKeyToggled = 0x0001;
inline bool IsKeyDown(uint16_t state) { return (state & 0xF000) != 0; }

// Synthetic key input on the desktop: what the on-screen keyboard needs, by virtual key.
class KeyService {
 public:
  virtual ~KeyService() = default;
  // Injects one press (or release) of the virtual key into whatever has the keyboard focus.
  virtual void KeyEvent(uint8_t virtualKey, bool release) = 0;
  // The virtual key (low byte) and shift state (high byte, key_shift) that type the 8-bit
  // character on the active layout; kNoKey when it has none.
  virtual uint16_t VkKeyScan(char character) = 0;
  // The key's state: kKeyDown while it is held, kKeyToggled while its lock (Caps Lock) is on.
  // Answers for kShift, kControl, kLMenu, kRMenu and kCapital at least.
  virtual uint16_t GetKeyState(uint8_t virtualKey) = 0;
};

}  // namespace tavrel
