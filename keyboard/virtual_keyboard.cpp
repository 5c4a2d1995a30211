#include "keyboard/virtual_keyboard.h"

#include <algorithm>
#include <string>

#include "resources/dialog_template.h"
#include "resources/keyboard_templates.h"
#include "resources/resource_ids.h"

namespace tavrel {

namespace {

namespace id = resource_id;

using resources::keyboard_layout::Key;
using resources::keyboard_layout::KeyAction;
using resources::keyboard_layout::kKeys;

struct NamedKey {
  uint8_t code;
  uint8_t virtualKey;
  bool held;  // pressed only; released by the next character
};

// F1 to F12 (codes 112 to 123) are their own virtual keys.
constexpr std::array<NamedKey, 16> kNamedKeys = {{
    {2, vk::kTab, false},
    {3, vk::kCapital, false},
    {4, vk::kShift, true},
    {5, vk::kControl, true},
    {6, vk::kBack, false},
    {7, vk::kReturn, false},
    {8, vk::kLMenu, true},
    {10, vk::kLeft, false},
    {11, vk::kRight, false},
    {12, vk::kUp, false},
    {13, vk::kDown, false},
    {15, vk::kPrior, false},
    {16, vk::kNext, false},
    {19, vk::kInsert, false},
    {20, vk::kDelete, false},
    {22, vk::kRMenu, true},
}};
constexpr uint8_t kNamedShift = 4;
constexpr uint8_t kNamedCapsLock = 3;

struct CaseCaptions {
  int32_t id;
  const char* lower;
  const char* upper;
};
constexpr std::array<CaseCaptions, 4> kPunctuationCaptions = {{
    {id::kKeyBackslash, "\\", "|"},
    {id::kKeyLess, "<", ">"},
    {id::kKeyComma, ",", ";"},
    {id::kKeyPeriod, ".", ":"},
}};

// Held modifiers, released in this order after a character.
constexpr std::array<uint8_t, 4> kModifiers = {vk::kShift, vk::kControl, vk::kLMenu, vk::kRMenu};

constexpr int32_t kPanelGap = 4;

bool IsLetter(int32_t code) { return code >= 'A' && code <= 'Z'; }

bool Overlap(const ScreenRect& a, const ScreenRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

VirtualKeyboard::VirtualKeyboard(WindowService& windows, KeyService& keys, int32_t layout)
    : Dialog(windows, layout), keys_(keys) {}

int32_t VirtualKeyboard::Run(WindowHandle owner) {
  owner_ = owner;
  return DoModal(owner);
}

int32_t VirtualKeyboard::OnInitDialog() {
  ShowKeyImages();
  PlaceWindow();
  return 1;
}

void VirtualKeyboard::ShowKeyImages() {
  size_t n = 0;
  for (const Key& key : kKeys) {
    if (key.imageId == 0) continue;
    if (keyImages_[n] == 0) keyImages_[n] = windows_.LoadBitmap(key.imageId);
    SetItemImage(key.id, keyImages_[n++]);
  }
}

void VirtualKeyboard::PlaceWindow() {
  const ScreenRect desktop = windows_.DesktopRect();
  const ScreenRect own = windows_.WindowRect(Window());
  const int32_t width = own.right - own.left;
  const int32_t height = own.bottom - own.top;
  int32_t x = desktop.left + (desktop.right - desktop.left - width) / 2;
  int32_t y = desktop.bottom - resources::kPanelBottomMargin - height;
  if (owner_ != 0 && windows_.IsWindow(owner_)) {
    const ScreenRect panel = windows_.WindowRect(owner_);
    if (Overlap({x, y, x + width, y + height}, panel)) y = panel.top - kPanelGap - height;
  }
  // Whole on the monitor, even when that means covering the panel.
  x = std::max(desktop.left, std::min(x, desktop.right - width));
  y = std::max(desktop.top, std::min(y, desktop.bottom - height));
  windows_.Place(Window(), ZOrder::kKeep, x, y);
}

void VirtualKeyboard::OnCommand(int32_t keyId) {
  const auto key =
      std::find_if(kKeys.begin(), kKeys.end(), [keyId](const Key& k) { return k.id == keyId; });
  if (key == kKeys.end()) return;
  switch (key->action) {
    case KeyAction::kCharacter:
      SendKey(key->code, false);
      break;
    case KeyAction::kNamed:
      SendKey(key->code, true);
      break;
    case KeyAction::kCaption:
      SendCaptionKey(keyId);
      break;
    case KeyAction::kShift:
      OnShift();
      break;
    case KeyAction::kCaps:
      OnCaps();
      break;
  }
}

void VirtualKeyboard::SendKey(int32_t code, bool named) {
  const auto low = static_cast<uint8_t>(static_cast<uint32_t>(code) & 0xFF);
  if (named) {
    SendNamedKey(low);
  } else if (low == '@') {
    SendAt();
  } else {
    SendCharacter(static_cast<char>(low));
  }
}

void VirtualKeyboard::SendNamedKey(uint8_t code) {
  NamedKey key{code, code, false};
  if (code < vk::kF1 || code > vk::kF12) {
    const auto it = std::find_if(kNamedKeys.begin(), kNamedKeys.end(),
                                 [code](const NamedKey& k) { return k.code == code; });
    if (it == kNamedKeys.end()) return;
    key = *it;
  }
  if (code == kNamedShift && IsDown(vk::kShift)) return;
  keys_.KeyEvent(key.virtualKey, false);
  if (!key.held) keys_.KeyEvent(key.virtualKey, true);
}

void VirtualKeyboard::SendCharacter(char character) {
  Tap(static_cast<uint8_t>(keys_.VkKeyScan(character) & 0xFF));
  if (shiftActive) {
    SetCaptions(false);
    shiftActive = false;
  }
  ReleaseHeldModifiers();
}

// "@" needs the modifiers its key asks for on the active layout: right Alt where it is on the
// third level, Shift where it is shifted. A Shift that is down and not asked for is lifted around
// the key; the one-shot Shift and the held modifiers are as they were afterwards.
void VirtualKeyboard::SendAt() {
  const uint16_t scan = keys_.VkKeyScan('@');
  const uint16_t shiftState = scan == kNoKey ? 0 : scan & 0xFF00;
  const bool wantShift = (shiftState & key_shift::kShift) != 0;
  const bool wantAltGr = (shiftState & key_shift::kAltGr) == key_shift::kAltGr;
  const bool shiftDown = IsDown(vk::kShift);
  const bool pressShift = wantShift && !shiftDown;
  const bool liftShift = shiftDown && !wantShift;
  if (liftShift) keys_.KeyEvent(vk::kShift, true);
  if (pressShift) keys_.KeyEvent(vk::kShift, false);
  if (wantAltGr) keys_.KeyEvent(vk::kRMenu, false);
  Tap(static_cast<uint8_t>(scan & 0xFF));
  if (wantAltGr) keys_.KeyEvent(vk::kRMenu, true);
  if (pressShift) keys_.KeyEvent(vk::kShift, true);
  if (liftShift) keys_.KeyEvent(vk::kShift, false);
}

void VirtualKeyboard::Tap(uint8_t virtualKey) {
  keys_.KeyEvent(virtualKey, false);
  keys_.KeyEvent(virtualKey, true);
}

bool VirtualKeyboard::IsDown(uint8_t virtualKey) {
  return IsKeyDown(keys_.GetKeyState(virtualKey));
}

void VirtualKeyboard::ReleaseHeldModifiers() {
  for (uint8_t modifier : kModifiers) {
    if (IsDown(modifier)) keys_.KeyEvent(modifier, true);
  }
}

void VirtualKeyboard::SendCaptionKey(int32_t keyId) {
  const std::string caption = windows_.GetText(Item(keyId));
  if (caption.empty()) return;
  SendKey(static_cast<unsigned char>(caption[0]), false);
}

void VirtualKeyboard::OnShift() {
  if (keys_.GetKeyState(vk::kCapital) & kKeyToggled) return;
  if (!shiftActive) {
    shiftActive = true;
    SetCaptions(true);
    SendKey(kNamedShift, true);
  } else {
    shiftActive = false;
    SetCaptions(false);
    keys_.KeyEvent(vk::kShift, true);
  }
}

void VirtualKeyboard::OnCaps() {
  if (keys_.GetKeyState(vk::kCapital) == kKeyToggled) {
    capsActive = false;
    SetCaptions(false);
  } else {
    capsActive = true;
    SetCaptions(true);
  }
  SendKey(kNamedCapsLock, true);
}

void VirtualKeyboard::SetCaptions(bool upper) {
  // Between openings there are no keys to caption; the next opening starts from the template.
  if (!IsOpen()) return;
  if (!capsActive) {
    for (const CaseCaptions& key : kPunctuationCaptions) {
      SetItemText(key.id, upper ? key.upper : key.lower);
    }
  }
  for (const Key& key : kKeys) {
    if (key.action != KeyAction::kCharacter || !IsLetter(key.code)) continue;
    const char letter = static_cast<char>(upper ? key.code : key.code - 'A' + 'a');
    SetItemText(key.id, std::string(1, letter));
  }
}

}  // namespace tavrel
