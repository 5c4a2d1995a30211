#include "calibration/target_layout.h"

namespace tavrel {

namespace {
constexpr int64_t kAbsoluteRange = 65536;
// Half the side of the target bitmap: its centre pixel lies this far from its top-left one.
constexpr int32_t kTargetHalf = 3;

int32_t Scale(int32_t absolute, int32_t size) {
  return static_cast<int32_t>(int64_t{absolute} * size / kAbsoluteRange);
}
}  // namespace

ClientPoint PixelOf(CalibratedPoint point, int32_t width, int32_t height) {
  const AbsolutePoint absolute = ToAbsolutePointer(point);
  return {Scale(absolute.x, width), Scale(absolute.y, height)};
}

ClientPoint TargetPosition(CalibratedPoint corner, int32_t width, int32_t height) {
  const ClientPoint centre = PixelOf(corner, width, height);
  return {centre.x - kTargetHalf, centre.y - kTargetHalf};
}

}  // namespace tavrel
