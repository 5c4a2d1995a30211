#include "platform/win32/send_input_pointer.h"

#include <windows.h>

#include "platform/log.h"

namespace tavrel {

static_assert(sizeof(void*) != 4 || sizeof(INPUT) == 28, "the 32-bit input record is 28 bytes");

SendInputPointer::~SendInputPointer() {
  held_input::Unregister(*this);
  ReleaseHeld();
}

uint32_t SendInputPointer::SendInput(const MouseInput& input) {
  std::lock_guard lock(mutex_);
  const uint32_t sent = Inject(input);
  if (sent == 0) return 0;
  held_ |= input.dwFlags & (kMouseLeftDown | kMouseRightDown);
  // An up flag is the down flag shifted by one.
  held_ &= ~((input.dwFlags & (kMouseLeftUp | kMouseRightUp)) >> 1);
  return sent;
}

void SendInputPointer::ReleaseHeld() {
  std::lock_guard lock(mutex_);
  if (held_ == 0) return;
  log::Info("released the pointer button that a touch still held down");
  MouseInput release;
  release.dwFlags = held_ << 1;
  Inject(release);
  held_ = 0;
}

uint32_t SendInputPointer::Inject(const MouseInput& input) {
  INPUT record{};
  record.type = INPUT_MOUSE;
  record.mi.dx = input.dx;
  record.mi.dy = input.dy;
  record.mi.mouseData = input.mouseData;
  record.mi.dwFlags = input.dwFlags;
  record.mi.time = input.time;
  record.mi.dwExtraInfo = input.dwExtraInfo;
  return ::SendInput(1, &record, sizeof record);
}

}  // namespace tavrel
