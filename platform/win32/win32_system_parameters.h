#pragma once

#include "platform/system_parameters.h"

namespace tavrel {

// The desktop's own settings: changes take effect for every program at once.
class Win32SystemParameters : public SystemParameters {
 public:
  void Set(SystemParameter which, int32_t value) override;
  int32_t DoubleClickTime() override;
  int32_t MouseTrails() override;
};

}  // namespace tavrel
