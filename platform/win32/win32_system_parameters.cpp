#include "platform/win32/win32_system_parameters.h"

#include <windows.h>

namespace tavrel {

void Win32SystemParameters::Set(SystemParameter which, int32_t value) {
  // Not written to the user profile and not broadcast: the change lasts for this session.
  SystemParametersInfoA(static_cast<UINT>(which), static_cast<UINT>(value), nullptr, 0);
}

int32_t Win32SystemParameters::DoubleClickTime() {
  return static_cast<int32_t>(GetDoubleClickTime());
}

int32_t Win32SystemParameters::MouseTrails() {
  UINT trails = 0;
  if (!SystemParametersInfoA(SPI_GETMOUSETRAILS, 0, &trails, 0)) return 0;
  return static_cast<int32_t>(trails);
}

}  // namespace tavrel
