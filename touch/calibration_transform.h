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

// Whether four captured corners can describe a screen.
enum class CornerShape {
  kScreen,
  // Two corners lie closer than kMinCornerSpan: a finger held through a beep stores one point
  // for two corners.
  kTooClose,
  // The corners are apart but cannot be a screen: outside the raw range, the two pairs facing
  // opposite ways, or a corner on the wrong side of the diagonal or near it (a target touched in
  // the wrong place).
  kMisplaced,
};

// A real screen's corners lie some 1800 raw units apart (the factory ones 1820 and more), and a
// controller that used only half its range would still put them 900 apart; a held or repeated
// touch lands a few dozen units from the point before. A quarter of the range keeps well clear
// of both.
inline constexpr int32_t kRawRange = 2048;
inline constexpr int32_t kMinCornerSpan = kRawRange / 4;

// Every two corners must lie kMinCornerSpan apart on one axis at least, the top and bottom pairs
// must run the same way round, and so must the left and right ones, and each triangle of the
// transform must cover half a kMinCornerSpan square on its own side of the diagonal. Nothing
// ties the screen's edges to the raw axes: the transform serves mirrored and turned panels alike.
CornerShape CheckCornerShape(const Corners& corners);

// Scales calibrated units to absolute pointer units: x = v × 32.7, y = 65535 − w × 32.5, truncated.
AbsolutePoint ToAbsolutePointer(CalibratedPoint point);

}  // namespace tavrel
