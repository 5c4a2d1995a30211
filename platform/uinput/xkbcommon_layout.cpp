#include "platform/uinput/xkbcommon_layout.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>

#include "platform/xkb_key_names.h"

namespace tavrel {

namespace {

constexpr xkb_layout_index_t kFirstLayout = 0;
constexpr xkb_level_index_t kLevels = 8;

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

const char* OrNull(const std::string& value) { return value.empty() ? nullptr : value.c_str(); }

// The modifiers the key sets while it is held (for RALT: Mod5 as the level-3 shift, or Mod1 as
// a second Alt).
xkb_mod_mask_t ModifiersOf(xkb_keymap* keymap, xkb_keycode_t key) {
  xkb_state* state = xkb_state_new(keymap);
  if (state == nullptr) return 0;
  xkb_state_update_key(state, key, XKB_KEY_DOWN);
  const xkb_mod_mask_t mods = xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
  xkb_state_unref(state);
  return mods;
}

}  // namespace

XkbCommonLayout::Names XkbCommonLayout::FromEnvironment() {
  return {Variable("XKBMODEL"), Variable("XKBLAYOUT"), Variable("XKBVARIANT"),
          Variable("XKBOPTIONS")};
}

XkbCommonLayout::XkbCommonLayout(const Names& names)
    : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
  if (context_ == nullptr) return;
  const xkb_rule_names rules{"evdev", OrNull(names.model), OrNull(names.layout),
                             OrNull(names.variant), OrNull(names.options)};
  keymap_ = xkb_keymap_new_from_names(context_, &rules, XKB_KEYMAP_COMPILE_NO_FLAGS);
  if (keymap_ == nullptr) return;
  shiftMask_ = 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT);
  const xkb_keycode_t ralt = xkb_keymap_key_by_name(keymap_, "RALT");
  if (ralt != XKB_KEYCODE_INVALID) altGrMask_ = ModifiersOf(keymap_, ralt) & ~shiftMask_;
}

XkbCommonLayout::~XkbCommonLayout() {
  if (keymap_ != nullptr) xkb_keymap_unref(keymap_);
  if (context_ != nullptr) xkb_context_unref(context_);
}

uint8_t XkbCommonLayout::KeycodeOf(uint8_t virtualKey) {
  if (keymap_ == nullptr) return 0;
  xkb_keycode_t key = XKB_KEYCODE_INVALID;
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    key = KeyByFirstLevel(XKB_KEY_a + (virtualKey - 'A'));
  } else {
    for (const NamedKey& named : kNamedKeys) {
      if (named.virtualKey == virtualKey) key = xkb_keymap_key_by_name(keymap_, named.name);
    }
  }
  return key == XKB_KEYCODE_INVALID || key > 255 ? 0 : static_cast<uint8_t>(key);
}

uint16_t XkbCommonLayout::VkKeyScan(char character) {
  const xkb_keysym_t sym = xkb_utf32_to_keysym(static_cast<unsigned char>(character));
  if (keymap_ == nullptr || sym == XKB_KEY_NoSymbol) return kNoKey;
  const xkb_keycode_t min = xkb_keymap_min_keycode(keymap_);
  const xkb_keycode_t max = xkb_keymap_max_keycode(keymap_);
  // The easiest key and level that give the keysym, lower levels first.
  for (xkb_level_index_t level = 0; level < kLevels; ++level) {
    for (xkb_keycode_t key = min; key <= max; ++key) {
      if (Sym(key, level) != sym) continue;
      const int shiftState = ShiftState(key, level);
      const uint8_t virtualKey = VirtualKeyOf(key);
      if (shiftState >= 0 && virtualKey != 0) {
        return static_cast<uint16_t>(shiftState | virtualKey);
      }
    }
  }
  return kNoKey;
}

uint32_t XkbCommonLayout::Sym(uint32_t key, uint32_t level) const {
  const xkb_keysym_t* syms = nullptr;
  const int count = xkb_keymap_key_get_syms_by_level(keymap_, key, kFirstLayout, level, &syms);
  return count == 1 ? syms[0] : XKB_KEY_NoSymbol;
}

uint32_t XkbCommonLayout::KeyByFirstLevel(uint32_t keysym) const {
  const xkb_keycode_t max = xkb_keymap_max_keycode(keymap_);
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap_); key <= max; ++key) {
    if (Sym(key, 0) == keysym) return key;
  }
  return XKB_KEYCODE_INVALID;
}

uint8_t XkbCommonLayout::VirtualKeyOf(uint32_t key) const {
  const xkb_keysym_t first = Sym(key, 0);
  if (first >= XKB_KEY_a && first <= XKB_KEY_z)
    return static_cast<uint8_t>(first - XKB_KEY_a + 'A');
  const char* name = xkb_keymap_key_get_name(keymap_, key);
  if (name == nullptr) return 0;
  for (const NamedKey& named : kNamedKeys) {
    if (std::strcmp(name, named.name) == 0) return named.virtualKey;
  }
  return 0;
}

// The shift state that reaches the level with Shift and right Alt only; -1 when none does.
int XkbCommonLayout::ShiftState(uint32_t key, uint32_t level) const {
  if (level == 0) return 0;
  xkb_mod_mask_t masks[16];
  const size_t count =
      xkb_keymap_key_get_mods_for_level(keymap_, key, kFirstLayout, level, masks, std::size(masks));
  for (size_t n = 0; n < count; ++n) {
    if ((masks[n] & ~(shiftMask_ | altGrMask_)) != 0) continue;
    int state = (masks[n] & shiftMask_) ? key_shift::kShift : 0;
    if ((masks[n] & altGrMask_) != 0) state |= key_shift::kAltGr;
    return state;
  }
  return -1;
}

}  // namespace tavrel
