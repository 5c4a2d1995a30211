#pragma once

#include <functional>
#include <string>

#include "platform/monitor_rect.h"
#include "platform/mouse_injector.h"
#include "platform/uinput/uinput_device.h"

namespace tavrel {

// The kernel device's units (0..65535 over the whole desktop) for an absolute value over the
// primary monitor: the middle of the pixel XTest would put it on, so that a desktop scaling the
// device's range onto its pixels lands on that same pixel. Outside the desktop it is held at the
// edge, as the X server holds the pointer. An empty desktop is taken as the primary monitor.
int32_t DeviceUnits(int32_t value, int monitorOrigin, int monitorSize, int desktopOrigin,
                    int desktopSize);

// Pointer input through one virtual absolute pointer device (a tablet without a pen: ABS_X and
// ABS_Y over 0..65535, left and right buttons), made once at construction. Its range covers the
// whole desktop with the primary monitor placed inside it. Every button still down is released
// before the device goes.
class UinputPointerService : public MouseInjector {
 public:
  static constexpr const char* kDeviceName = "Tavrel touch pointer";
  static constexpr int32_t kRangeMax = 65535;
  // Asked before each move; without it (no display) the primary monitor is the whole desktop.
  using Geometry = std::function<DesktopGeometry()>;

  explicit UinputPointerService(Geometry geometry = {},
                                const std::string& controlNode = UinputDevice::kControlNode);
  ~UinputPointerService() override;

  bool IsOpen() const { return device_.IsOpen(); }
  const std::string& Error() const { return device_.Error(); }
  std::string EventNode() const { return device_.EventNode(); }
  bool ReachesEveryClient() const override { return true; }

 private:
  bool Ready() override { return device_.IsOpen(); }
  void Move(int32_t x, int32_t y) override;
  void Press(Button button, bool down) override;
  void Flush() override { device_.Sync(); }

  Geometry geometry_;
  UinputDevice device_;
};

}  // namespace tavrel
