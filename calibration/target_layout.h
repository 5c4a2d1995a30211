#pragma once

#include <cstdint>

#include "touch/calibration_transform.h"

namespace tavrel {

// A pixel of the full-screen calibration window, which covers the primary monitor.
struct ClientPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const ClientPoint&) const = default;
};

// The pixel that the pointer reaches for a calibrated point on a monitor of width x height:
// the point is scaled to absolute pointer units as the decoder does, and those onto the
// monitor's pixels as the pointer back end does (pixel = value × size / 65536).
ClientPoint PixelOf(CalibratedPoint point, int32_t width, int32_t height);

// Where the 7 x 7 target of the corner (in calibrated units, e.g. left bottom (102, 102)) is
// placed so that its centre pixel is the one the pointer reaches for that corner. On 800 x 600
// this is within a few pixels of the places the dialog was first drawn for.
ClientPoint TargetPosition(CalibratedPoint corner, int32_t width, int32_t height);

}  // namespace tavrel
