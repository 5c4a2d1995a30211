#include "platform/win32/send_input_pointer.h"

#include <windows.h>

namespace tavrel {

static_assert(sizeof(void*) != 4 || sizeof(INPUT) == 28, "the 32-bit input record is 28 bytes");

uint32_t SendInputPointer::SendInput(const MouseInput& input) {
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
