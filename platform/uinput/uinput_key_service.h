#pragma once

#include <bitset>
#include <string>

#include "platform/key_layout.h"
#include "platform/key_service.h"
#include "platform/uinput/uinput_device.h"

namespace tavrel {

// Key input through one virtual keyboard device, made once at construction. Virtual keys become
// the physical keys the layout gives them, sent as the kernel's key codes (X key code - 8), so
// that the desktop's own layout turns them back into the characters looked up. The key state is
// the device's own: the keys it holds down, and Caps Lock as the system last lit the device's
// LED. Every key still down is released before the device goes. For the user-interface thread
// only.
class UinputKeyService : public KeyService {
 public:
  static constexpr const char* kDeviceName = "Tavrel on-screen keyboard";

  // layout: where key codes and characters are looked up; it must outlive this object.
  explicit UinputKeyService(KeyLayout& layout,
                            const std::string& controlNode = UinputDevice::kControlNode);
  ~UinputKeyService() override;

  bool IsOpen() const { return device_.IsOpen(); }
  const std::string& Error() const { return device_.Error(); }
  std::string EventNode() const { return device_.EventNode(); }

  void KeyEvent(uint8_t virtualKey, bool release) override;
  uint16_t VkKeyScan(char character) override { return layout_.VkKeyScan(character); }
  uint16_t GetKeyState(uint8_t virtualKey) override;

 private:
  void Key(unsigned int code, bool down);
  void ReadLeds();

  KeyLayout& layout_;
  UinputDevice device_;
  std::bitset<256> down_;
  bool capsLit_ = false;
};

}  // namespace tavrel
