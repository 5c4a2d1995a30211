#include "keyboard/virtual_keyboard.h"

#include <algorithm>
#include <string>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace tavrel {

namespace {

namespace id = resource_id;

enum class Action { kCharacter, kNamed, kCaption, kShift, kCaps };

struct KeyAction {
  int32_t id;
  Action action;
  int32_t code;  // the character or named-key code
};

// What each key does. The letter keys pass their upper-case letter: its virtual key is the same
// for both cases, and the system's Shift and Caps Lock decide the case.
constexpr std::array<KeyAction, 71> kKeyActions = {{
    {1070, Action::kCharacter, 0x1B}, {1092, Action::kNamed, 112},
    {1082, Action::kNamed, 113},      {1083, Action::kNamed, 114},
    {1084, Action::kNamed, 115},      {1085, Action::kNamed, 116},
    {1086, Action::kNamed, 117},      {1087, Action::kNamed, 118},
    {1088, Action::kNamed, 119},      {1089, Action::kNamed, 120},
    {1090, Action::kNamed, 121},      {1091, Action::kNamed, 122},
    {1093, Action::kNamed, 123},      {1069, Action::kCaption, 0},
    {1059, Action::kCaption, 0},      {1060, Action::kCaption, 0},
    {1061, Action::kCaption, 0},      {1062, Action::kCaption, 0},
    {1063, Action::kCaption, 0},      {1064, Action::kCaption, 0},
    {1065, Action::kCaption, 0},      {1066, Action::kCaption, 0},
    {1067, Action::kCaption, 0},      {1068, Action::kCaption, 0},
    {1071, Action::kNamed, 6},        {1048, Action::kNamed, 2},
    {1027, Action::kCharacter, 'Q'},  {1028, Action::kCharacter, 'W'},
    {1029, Action::kCharacter, 'E'},  {1030, Action::kCharacter, 'R'},
    {1031, Action::kCharacter, 'T'},  {1032, Action::kCharacter, 'Y'},
    {1035, Action::kCharacter, 'U'},  {1036, Action::kCharacter, 'I'},
    {1037, Action::kCharacter, 'O'},  {1038, Action::kCharacter, 'P'},
    {1072, Action::kCaption, 0},      {1034, Action::kCaps, 0},
    {1039, Action::kCharacter, 'A'},  {1040, Action::kCharacter, 'S'},
    {1041, Action::kCharacter, 'D'},  {1042, Action::kCharacter, 'F'},
    {1043, Action::kCharacter, 'G'},  {1044, Action::kCharacter, 'H'},
    {1045, Action::kCharacter, 'J'},  {1046, Action::kCharacter, 'K'},
    {1047, Action::kCharacter, 'L'},  {1074, Action::kNamed, 19},
    {1075, Action::kNamed, 20},       {1033, Action::kShift, 0},
    {1056, Action::kCaption, 0},      {1049, Action::kCharacter, 'Z'},
    {1050, Action::kCharacter, 'X'},  {1051, Action::kCharacter, 'C'},
    {1052, Action::kCharacter, 'V'},  {1053, Action::kCharacter, 'B'},
    {1054, Action::kCharacter, 'N'},  {1055, Action::kCharacter, 'M'},
    {1057, Action::kCaption, 0},      {1058, Action::kCaption, 0},
    {1096, Action::kNamed, 7},        {1094, Action::kNamed, 5},
    {1095, Action::kNamed, 8},        {1073, Action::kCharacter, 0x20},
    {1097, Action::kNamed, 22},       {1076, Action::kNamed, 10},
    {1078, Action::kNamed, 12},       {1079, Action::kNamed, 13},
    {1080, Action::kNamed, 11},       {1077, Action::kNamed, 15},
    {1081, Action::kNamed, 16},
}};

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

struct KeyImage {
  int32_t keyId;
  int32_t bitmapId;
};
constexpr std::array<KeyImage, 5> kKeyImages = {{
    {id::kKeyLeft, id::kArrowLeftBitmap},
    {id::kKeyUp, id::kArrowUpBitmap},
    {id::kKeyDown, id::kArrowDownBitmap},
    {id::kKeyRight, id::kArrowRightBitmap},
    {id::kKeyReturn, id::kReturnBitmap},
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
  for (size_t n = 0; n < kKeyImages.size(); ++n) {
    if (keyImages_[n] == 0) keyImages_[n] = windows_.LoadBitmap(kKeyImages[n].bitmapId);
    SetItemImage(kKeyImages[n].keyId, keyImages_[n]);
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
  const auto key = std::find_if(kKeyActions.begin(), kKeyActions.end(),
                                [keyId](const KeyAction& k) { return k.id == keyId; });
  if (key == kKeyActions.end()) return;
  switch (key->action) {
    case Action::kCharacter:
      SendKey(key->code, false);
      break;
    case Action::kNamed:
      SendKey(key->code, true);
      break;
    case Action::kCaption:
      SendCaptionKey(keyId);
      break;
    case Action::kShift:
      OnShift();
      break;
    case Action::kCaps:
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
  for (const KeyAction& key : kKeyActions) {
    if (key.action != Action::kCharacter || !IsLetter(key.code)) continue;
    const char letter = static_cast<char>(upper ? key.code : key.code - 'A' + 'a');
    SetItemText(key.id, std::string(1, letter));
  }
}

}  // namespace tavrel
