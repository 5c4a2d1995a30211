#include "platform/x11/xkb_key_service.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstring>
#include <string>

#include "platform/log.h"
#include "platform/x11/own_connection.h"
#include "platform/xkb_key_names.h"

namespace tavrel {

namespace {

// The keysym an 8-bit character stands for: Latin-1 and the four control characters that have
// keys; NoSymbol for the rest.
KeySym CharacterKeysym(unsigned char c) {
  switch (c) {
    case 0x08:
    case 0x09:
    case 0x0D:
    case 0x1B:
      return 0xFF00 | c;
    default:
      break;
  }
  if ((c >= 0x20 && c <= 0x7E) || c >= 0xA0) return c;
  return NoSymbol;
}

// The layout as it is now: the core keyboard's map, key names and group.
class Keymap {
 public:
  explicit Keymap(Display* display)
      : desc_(XkbGetMap(display,
                        XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask | XkbKeyActionsMask,
                        XkbUseCoreKbd)) {
    if (desc_ == nullptr) return;
    if (XkbGetNames(display, XkbKeyNamesMask, desc_) != Success || desc_->names == nullptr ||
        desc_->names->keys == nullptr) {
      XkbFreeKeyboard(desc_, 0, True);
      desc_ = nullptr;
      return;
    }
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) == Success) group_ = state.group;
  }
  ~Keymap() {
    if (desc_ != nullptr) XkbFreeKeyboard(desc_, 0, True);
  }
  Keymap(const Keymap&) = delete;
  Keymap& operator=(const Keymap&) = delete;

  bool IsValid() const { return desc_ != nullptr; }

  KeyCode ByName(const char* name) const {
    for (int kc = desc_->min_key_code; kc <= desc_->max_key_code; ++kc) {
      if (std::strncmp(desc_->names->keys[kc].name, name, XkbKeyNameLength) == 0) {
        return static_cast<KeyCode>(kc);
      }
    }
    return 0;
  }

  // The key whose first level in the active group is the keysym.
  KeyCode ByFirstLevel(KeySym sym) const {
    for (int kc = desc_->min_key_code; kc <= desc_->max_key_code; ++kc) {
      if (Sym(kc, 0) == sym) return static_cast<KeyCode>(kc);
    }
    return 0;
  }

  uint8_t VirtualKeyOf(int kc) const {
    const KeySym first = Sym(kc, 0);
    if (first >= XK_a && first <= XK_z) return static_cast<uint8_t>(first - XK_a + 'A');
    for (const NamedKey& key : kNamedKeys) {
      if (std::strncmp(desc_->names->keys[kc].name, key.name, XkbKeyNameLength) == 0) {
        return key.virtualKey;
      }
    }
    return 0;
  }

  // The easiest key and level that give the keysym, lower levels first.
  uint16_t Scan(KeySym sym) const {
    const unsigned altGrMods = AltGrModifiers();
    for (int level = 0; level < XkbMaxShiftLevel; ++level) {
      for (int kc = desc_->min_key_code; kc <= desc_->max_key_code; ++kc) {
        if (Sym(kc, level) != sym) continue;
        const int shiftState = ShiftState(kc, level, altGrMods);
        const uint8_t virtualKey = VirtualKeyOf(kc);
        if (shiftState >= 0 && virtualKey != 0) {
          return static_cast<uint16_t>(shiftState | virtualKey);
        }
      }
    }
    return kNoKey;
  }

 private:
  int Group(int kc) const {
    const int groups = XkbKeyNumGroups(desc_, kc);
    return groups == 0 ? -1 : group_ % groups;
  }
  KeySym Sym(int kc, int level) const {
    const int group = Group(kc);
    if (group < 0 || level >= XkbKeyGroupWidth(desc_, kc, group)) return NoSymbol;
    return XkbKeySymEntry(desc_, kc, level, group);
  }
  // The real modifiers the right Alt key sets: the level-3 shift where the layout has one. Its
  // action says so; the modifier map only for keys without actions.
  unsigned AltGrModifiers() const {
    const KeyCode ralt = ByName("RALT");
    if (ralt == 0 || Group(ralt) < 0) return 0;
    if (XkbKeyHasActions(desc_, ralt)) {
      const XkbAction* action = XkbKeyActionEntry(desc_, ralt, 0, Group(ralt));
      const bool setsMods = action->type == XkbSA_SetMods || action->type == XkbSA_LatchMods;
      return setsMods ? action->mods.mask : 0;
    }
    return desc_->map->modmap[ralt];
  }
  // The shift state that reaches the level with Shift and right Alt only; -1 when none does.
  int ShiftState(int kc, int level, unsigned altGrMods) const {
    if (level == 0) return 0;
    const XkbKeyTypePtr type = XkbKeyKeyType(desc_, kc, Group(kc));
    for (int n = 0; n < type->map_count; ++n) {
      const XkbKTMapEntryRec& entry = type->map[n];
      const unsigned mods = entry.mods.mask;
      if (!entry.active || entry.level != level || (mods & ~(ShiftMask | altGrMods)) != 0) continue;
      int state = (mods & ShiftMask) ? key_shift::kShift : 0;
      if (altGrMods != 0 && (mods & altGrMods) != 0) state |= key_shift::kAltGr;
      return state;
    }
    return -1;
  }

  XkbDescPtr desc_ = nullptr;
  int group_ = 0;
};

// The right-hand twin of a generic modifier, which holds it down as well.
const char* RightTwin(uint8_t virtualKey) {
  switch (virtualKey) {
    case vk::kShift:
      return "RTSH";
    case vk::kControl:
      return "RCTL";
    default:
      return nullptr;
  }
}

KeyCode PhysicalKey(const Keymap& keymap, uint8_t virtualKey) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    return keymap.ByFirstLevel(static_cast<KeySym>(XK_a + (virtualKey - 'A')));
  }
  for (const NamedKey& key : kNamedKeys) {
    if (key.virtualKey == virtualKey) return keymap.ByName(key.name);
  }
  return 0;
}

}  // namespace

XkbKeyService::XkbKeyService(const std::string& displayName) {
  int major = XkbMajorVersion, minor = XkbMinorVersion, event = 0, error = 0, opcode = 0;
  Display* display = XkbOpenDisplay(displayName.empty() ? nullptr : displayName.c_str(), &event,
                                    &error, &major, &minor, &opcode);
  if (display == nullptr) return;
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
    XCloseDisplay(display);
    return;
  }
  display_ = display;
  SurviveConnectionLoss(display_, lost_);
  held_input::Register(*this);
}

XkbKeyService::~XkbKeyService() {
  if (display_ == nullptr) return;
  held_input::Unregister(*this);
  ReleaseHeld();
  CloseOwnConnection(display_);
}

void XkbKeyService::KeyEvent(uint8_t virtualKey, bool release) {
  std::lock_guard lock(mutex_);
  if (!Usable()) return;
  const Keymap keymap(display_);
  if (!keymap.IsValid()) return;
  const KeyCode keycode = PhysicalKey(keymap, virtualKey);
  if (keycode == 0) return;
  XTestFakeKeyEvent(display_, keycode, release ? False : True, CurrentTime);
  XFlush(display_);
  held_[keycode] = !release;
}

void XkbKeyService::ReleaseHeld() {
  std::lock_guard lock(mutex_);
  if (!Usable() || held_.none()) return;
  log::Info("released " + std::to_string(held_.count()) +
            " key(s) the on-screen keyboard still held down");
  for (size_t keycode = 0; keycode < held_.size(); ++keycode) {
    if (held_[keycode]) XTestFakeKeyEvent(display_, keycode, False, CurrentTime);
  }
  held_.reset();
  XSync(display_, False);
}

uint16_t XkbKeyService::VkKeyScan(char character) {
  std::lock_guard lock(mutex_);
  const KeySym sym = CharacterKeysym(static_cast<unsigned char>(character));
  if (!Usable() || sym == NoSymbol) return kNoKey;
  const Keymap keymap(display_);
  return keymap.IsValid() ? keymap.Scan(sym) : kNoKey;
}

uint8_t XkbKeyService::KeycodeOf(uint8_t virtualKey) {
  std::lock_guard lock(mutex_);
  if (!Usable()) return 0;
  const Keymap keymap(display_);
  return keymap.IsValid() ? PhysicalKey(keymap, virtualKey) : 0;
}

uint16_t XkbKeyService::GetKeyState(uint8_t virtualKey) {
  std::lock_guard lock(mutex_);
  if (!Usable()) return 0;
  const Keymap keymap(display_);
  if (!keymap.IsValid()) return 0;
  char pressed[32] = {};
  XQueryKeymap(display_, pressed);
  auto isDown = [&](KeyCode kc) { return kc != 0 && (pressed[kc / 8] & (1 << (kc % 8))) != 0; };
  const char* twin = RightTwin(virtualKey);
  const bool down =
      isDown(PhysicalKey(keymap, virtualKey)) || (twin && isDown(keymap.ByName(twin)));
  uint16_t state = down ? kKeyDown : 0;
  XkbStateRec xkbState{};
  if (virtualKey == vk::kCapital && XkbGetState(display_, XkbUseCoreKbd, &xkbState) == Success &&
      (xkbState.locked_mods & LockMask) != 0) {
    state |= kKeyToggled;
  }
  return state;
}

}  // namespace tavrel
