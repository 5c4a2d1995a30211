#include "platform/uinput/uinput_key_service.h"

#include <libevdev/libevdev.h>
#include <unistd.h>

namespace tavrel {

namespace {

// X key codes are the kernel's plus 8.
constexpr unsigned int kXKeycodeOffset = 8;
// Every key an X key code can name.
constexpr unsigned int kLastKey = 255 - kXKeycodeOffset;

void DescribeKeyboard(libevdev* device) {
  for (unsigned int code = KEY_ESC; code <= kLastKey; ++code) {
    libevdev_enable_event_code(device, EV_KEY, code, nullptr);
  }
  // The system lights the lock LEDs of every keyboard; Caps Lock's tells its state back.
  for (const unsigned int led : {LED_NUML, LED_CAPSL, LED_SCROLLL}) {
    libevdev_enable_event_code(device, EV_LED, led, nullptr);
  }
}

}  // namespace

UinputKeyService::UinputKeyService(KeyLayout& layout, const std::string& controlNode)
    : layout_(layout), device_(kDeviceName, DescribeKeyboard, controlNode) {}

UinputKeyService::~UinputKeyService() {
  if (down_.none()) return;
  for (unsigned int code = 0; code < down_.size(); ++code) {
    if (down_[code]) device_.Emit(EV_KEY, code, 0);
  }
  device_.Sync();
}

void UinputKeyService::KeyEvent(uint8_t virtualKey, bool release) {
  const uint8_t keycode = layout_.KeycodeOf(virtualKey);
  if (!device_.IsOpen() || keycode <= kXKeycodeOffset) return;
  Key(keycode - kXKeycodeOffset, !release);
}

void UinputKeyService::Key(unsigned int code, bool down) {
  device_.Emit(EV_KEY, code, down ? 1 : 0);
  device_.Sync();
  down_[code] = down;
}

uint16_t UinputKeyService::GetKeyState(uint8_t virtualKey) {
  const uint8_t keycode = layout_.KeycodeOf(virtualKey);
  uint16_t state = keycode > kXKeycodeOffset && down_[keycode - kXKeycodeOffset] ? kKeyDown : 0;
  if (virtualKey == vk::kCapital) {
    ReadLeds();
    if (capsLit_) state |= kKeyToggled;
  }
  return state;
}

void UinputKeyService::ReadLeds() {
  const int fd = device_.ControlDescriptor();
  if (fd < 0) return;
  input_event event;
  while (::read(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
    if (event.type == EV_LED && event.code == LED_CAPSL) capsLit_ = event.value != 0;
  }
}

}  // namespace tavrel
