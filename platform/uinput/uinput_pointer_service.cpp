#include "platform/uinput/uinput_pointer_service.h"

#include <libevdev/libevdev.h>

#include <algorithm>
#include <utility>

namespace tavrel {

namespace {

constexpr int64_t kAbsoluteRange = 65536;

void DescribePointer(libevdev* device) {
  const input_absinfo axis{0, 0, UinputPointerService::kRangeMax, 0, 0, 0};
  libevdev_enable_event_code(device, EV_ABS, ABS_X, &axis);
  libevdev_enable_event_code(device, EV_ABS, ABS_Y, &axis);
  libevdev_enable_event_code(device, EV_KEY, BTN_LEFT, nullptr);
  libevdev_enable_event_code(device, EV_KEY, BTN_RIGHT, nullptr);
}

}  // namespace

int32_t DeviceUnits(int32_t value, int monitorOrigin, int monitorSize, int desktopOrigin,
                    int desktopSize) {
  if (desktopSize <= 0 || monitorSize <= 0) {
    monitorOrigin = desktopOrigin = 0;
    monitorSize = desktopSize = static_cast<int>(kAbsoluteRange);
  }
  // The pixel as XTest computes it, then held on the desktop.
  int64_t pixel = int64_t{value} * monitorSize / kAbsoluteRange + monitorOrigin;
  pixel = std::clamp<int64_t>(pixel - desktopOrigin, 0, desktopSize - 1);
  const int64_t units = (pixel * kAbsoluteRange + kAbsoluteRange / 2) / desktopSize;
  return static_cast<int32_t>(std::min<int64_t>(units, UinputPointerService::kRangeMax));
}

UinputPointerService::UinputPointerService(Geometry geometry, const std::string& controlNode)
    : geometry_(std::move(geometry)), device_(kDeviceName, DescribePointer, controlNode) {}

UinputPointerService::~UinputPointerService() { ReleaseHeld(); }

void UinputPointerService::Move(int32_t x, int32_t y) {
  const DesktopGeometry at = geometry_ ? geometry_() : DesktopGeometry{};
  device_.Emit(EV_ABS, ABS_X,
               DeviceUnits(x, at.primary.x, at.primary.width, at.desktop.x, at.desktop.width));
  device_.Emit(EV_ABS, ABS_Y,
               DeviceUnits(y, at.primary.y, at.primary.height, at.desktop.y, at.desktop.height));
}

void UinputPointerService::Press(Button button, bool down) {
  device_.Emit(EV_KEY, button == Button::kLeft ? BTN_LEFT : BTN_RIGHT, down ? 1 : 0);
}

}  // namespace tavrel
