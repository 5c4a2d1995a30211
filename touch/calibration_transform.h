#pragma once

#include <cstdint>

#include "settings/corners.h"

namespace tavrel {

// A point in calibrated units: the corners map to 102 and 1945; v runs left to right, w bottom
// to top.
struct CalibratedPoint {
  int32_t v = 0;
  int32_t w = 0;
  bool operator==(const CalibratedPoint&) const = default;
};

// Absolute pointer units, 0..65535 over the primary screen (not clamped).
struct AbsolutePoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const AbsolutePoint&) const = default;
};

inline constexpr int32_t kCalibratedLow = 102;
inline constexpr int32_t kCalibratedSpan = 1843;

// Maps a raw point through the two triangles (left-bottom, left-top, right-top) and
// (left-bottom, right-bottom, right-top) onto calibrated units, with the controller's integer
// steps. Degenerate corners give (0, 0).
CalibratedPoint ApplyCalibration(const Corners& corners, int32_t rawX, int32_t rawY);

// Scales calibrated units to absolute pointer units: x = v × 32.7, y = 65535 − w × 32.5, truncated.
AbsolutePoint ToAbsolutePointer(CalibratedPoint point);

}  // namespace tavrel
