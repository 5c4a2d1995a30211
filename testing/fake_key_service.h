#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "platform/key_service.h"

namespace tavrel {

// Records injected key events as "+51 -51" (press and release, virtual keys in hex) and keeps the
// system's key state from them: a key is down between its press and its release, and each Caps
// Lock press toggles Caps Lock. The layout answers character lookups; it starts as the US layout's
// keys for the on-screen keyboard's characters.
class FakeKeyService : public KeyService {
 public:
  FakeKeyService() { UseUsLayout(); }

  void KeyEvent(uint8_t virtualKey, bool release) override {
    char text[8];
    std::snprintf(text, sizeof text, "%c%02X", release ? '-' : '+', virtualKey);
    if (!events.empty()) events += ' ';
    events += text;
    if (!release && virtualKey == vk::kCapital && !down_[virtualKey]) capsLock = !capsLock;
    down_[virtualKey] = !release;
  }
  uint16_t VkKeyScan(char character) override {
    auto it = layout.find(character);
    return it == layout.end() ? kNoKey : it->second;
  }
  uint16_t GetKeyState(uint8_t virtualKey) override {
    uint16_t state = down_[virtualKey] ? kKeyDown : 0;
    if (virtualKey == vk::kCapital && capsLock) state |= kKeyToggled;
    return state;
  }

  // Test side: the system's state as another program (or the user) left it.
  void SetDown(uint8_t virtualKey, bool down) { down_[virtualKey] = down; }
  bool IsDown(uint8_t virtualKey) const { return down_[virtualKey]; }

  void UseUsLayout() {
    layout.clear();
    for (char c = 'a'; c <= 'z'; ++c) {
      const auto upper = static_cast<uint16_t>(c - 'a' + 'A');
      layout[c] = upper;
      layout[static_cast<char>(upper)] = upper | key_shift::kShift;
    }
    for (char c = '0'; c <= '9'; ++c) layout[c] = static_cast<uint16_t>(c);
    const std::map<char, uint16_t> punctuation = {
        {'\x1B', vk::kEscape},
        {' ', vk::kSpace},
        {'@', '2' | key_shift::kShift},
        {'\\', vk::kOem5},
        {'|', vk::kOem5 | key_shift::kShift},
        {'<', vk::kOemComma | key_shift::kShift},
        {'>', vk::kOemPeriod | key_shift::kShift},
        {',', vk::kOemComma},
        {';', vk::kOem1},
        {'.', vk::kOemPeriod},
        {':', vk::kOem1 | key_shift::kShift},
    };
    layout.insert(punctuation.begin(), punctuation.end());
  }
  // As the US layout, with "@" on right Alt and q, as German layouts have it.
  void UseAltGrAtLayout() {
    UseUsLayout();
    layout['@'] = 'Q' | key_shift::kAltGr;
  }

  std::string events;
  std::map<char, uint16_t> layout;
  bool capsLock = false;

 private:
  std::array<bool, 256> down_{};
};

}  // namespace tavrel
