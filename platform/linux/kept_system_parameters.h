#pragma once

#include <array>
#include <atomic>

#include "platform/system_parameters.h"

namespace tavrel {

// X11 desktops have no shared double-click or pointer-trail settings to change, so the values
// are kept here, where the program's own windows read them back.
class KeptSystemParameters : public SystemParameters {
 public:
  void Set(SystemParameter which, int32_t value) override { Slot(which) = value; }
  int32_t DoubleClickTime() override { return Slot(SystemParameter::kDoubleClickTime); }
  int32_t Get(SystemParameter which) { return Slot(which); }
  int32_t MouseTrails() override { return Slot(SystemParameter::kMouseTrails); }

 private:
  std::atomic<int32_t>& Slot(SystemParameter which) {
    switch (which) {
      case SystemParameter::kDoubleClickWidth:
        return values_[0];
      case SystemParameter::kDoubleClickHeight:
        return values_[1];
      case SystemParameter::kDoubleClickTime:
        return values_[2];
      case SystemParameter::kMouseTrails:
        break;
    }
    return values_[3];
  }
  std::array<std::atomic<int32_t>, 4> values_{4, 4, 500, 0};
};

}  // namespace tavrel
