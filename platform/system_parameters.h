#pragma once

#include <cstdint>

namespace tavrel {

// Desktop-wide pointer settings. The action numbers are those of SystemParametersInfo, so the
// core can name them as the Windows desktop does.
enum class SystemParameter : uint32_t {
  kDoubleClickWidth = 29,
  kDoubleClickHeight = 30,
  kDoubleClickTime = 32,
  kMouseTrails = 93,
};

class SystemParameters {
 public:
  virtual ~SystemParameters() = default;

  // Applies the value for this session only: not stored in a profile, not broadcast.
  virtual void Set(SystemParameter which, int32_t value) = 0;
  // The double-click time now in force, in milliseconds.
  virtual int32_t DoubleClickTime() = 0;

  // The pointer-trails value now in force (0 or 1: off).
  virtual int32_t MouseTrails() = 0;
};

}  // namespace tavrel
