#pragma once

#include <cstdint>
#include <utility>

#include "settings/corners.h"
#include "touch/calibration_transform.h"

namespace tavrel::e2e {

// Where the program puts a raw point with the factory calibration, in pixels of a 1024 × 768
// screen.
inline std::pair<int, int> PixelOf(int32_t rawX, int32_t rawY) {
  constexpr int64_t kScreenWidth = 1024, kScreenHeight = 768;
  const AbsolutePoint at = ToAbsolutePointer(ApplyCalibration(FactoryCorners(), rawX, rawY));
  return {static_cast<int>(int64_t{at.x} * kScreenWidth / 65536),
          static_cast<int>(int64_t{at.y} * kScreenHeight / 65536)};
}

}  // namespace tavrel::e2e
