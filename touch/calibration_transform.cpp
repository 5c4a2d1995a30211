#include "touch/calibration_transform.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "touch/wrapping_int32.h"

namespace tavrel {

namespace {

using namespace wrapping;

// Scaling factors of the pointer range; the corner clamp allows 34 calibrated units per raw unit.
constexpr double kScaleX = 32.7;
constexpr double kScaleY = 32.5;
constexpr double kAbsoluteMax = 65535.0;
constexpr int32_t kCornerClampFactor = 34;

// One triangle: its edge a from the left-bottom corner (b is the shared diagonal) and the
// calibrated offsets (kX, kY) of a's far end.
struct Triangle {
  int32_t aX, aY, kX, kY;
};

// One calibrated coordinate, k being the triangle's offset along a for that coordinate.
int32_t Coordinate(const Triangle& t, int32_t bX, int32_t bY, int32_t dX, int32_t dY, int32_t k,
                   int32_t d) {
  const int32_t alongY = Div(Sub(Mul(kCalibratedSpan, t.aX), Mul(k, bX)), 4);
  const int32_t alongX = Div(Sub(Mul(k, bY), Mul(kCalibratedSpan, t.aY)), 4);
  return Add(Div(Add(Mul(dY, alongY), Mul(dX, alongX)), d), kCalibratedLow);
}

// The processor's truncating conversion: a result beyond 32 bits gives INT32_MIN.
int32_t Truncate(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

struct Point {
  int32_t x, y;
};

Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
int32_t Dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
// Twice the signed area of the triangle (0, a, b); its sign tells on which side of a b lies.
int32_t Cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
// How far apart two points lie on the axis where they lie further apart.
int32_t Span(Point a, Point b) { return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y)); }
bool InRawRange(Point p) { return p.x >= 0 && p.x < kRawRange && p.y >= 0 && p.y < kRawRange; }

}  // namespace

CornerShape CheckCornerShape(const Corners& c) {
  const Point lb{c.leftBottomX, c.leftBottomY}, rt{c.rightTopX, c.rightTopY};
  const Point rb{c.rightBottomX, c.rightBottomY}, lt{c.leftTopX, c.leftTopY};
  const Point corners[] = {lb, rt, rb, lt};
  // Within the raw range none of the arithmetic below can overflow.
  if (!std::all_of(std::begin(corners), std::end(corners), InRawRange)) {
    return CornerShape::kMisplaced;
  }
  for (size_t i = 0; i < std::size(corners); ++i) {
    for (size_t j = i + 1; j < std::size(corners); ++j) {
      if (Span(corners[i], corners[j]) < kMinCornerSpan) return CornerShape::kTooClose;
    }
  }
  if (Dot(rt - lt, rb - lb) <= 0 || Dot(lt - lb, rt - rb) <= 0) return CornerShape::kMisplaced;
  // The transform's triangles meet on the left-bottom to right-top diagonal; a flat or folded
  // one would send a part of the screen to one line.
  const int32_t leftTop = Cross(rt - lb, lt - lb);
  const int32_t rightBottom = Cross(rt - lb, rb - lb);
  constexpr int32_t kMinCross = kMinCornerSpan * kMinCornerSpan;
  if ((leftTop < 0) == (rightBottom < 0) || std::abs(leftTop) < kMinCross ||
      std::abs(rightBottom) < kMinCross) {
    return CornerShape::kMisplaced;
  }
  return CornerShape::kScreen;
}

CalibratedPoint ApplyCalibration(const Corners& c, int32_t rawX, int32_t rawY) {
  const int32_t dX = Sub(rawX, c.leftBottomX);
  const int32_t dY = Sub(rawY, c.leftBottomY);
  const int32_t bX = Sub(c.rightTopX, c.leftBottomX);
  const int32_t bY = Sub(c.rightTopY, c.leftBottomY);
  const Triangle leftTop{Sub(c.leftTopX, c.leftBottomX), Sub(c.leftTopY, c.leftBottomY), 0,
                         kCalibratedSpan};
  const Triangle rightBottom{Sub(c.rightBottomX, c.leftBottomX), Sub(c.rightBottomY, c.leftBottomY),
                             kCalibratedSpan, 0};

  // On the diagonal a point counts with the non-negative side.
  const int32_t sideCorner = Sub(Mul(leftTop.aX, bY), Mul(leftTop.aY, bX));
  const int32_t sidePoint = Sub(Mul(dX, bY), Mul(dY, bX));
  const Triangle& t = (sideCorner < 0) == (sidePoint < 0) ? leftTop : rightBottom;

  CalibratedPoint p;
  const int32_t d = Div(Sub(Mul(t.aX, bY), Mul(t.aY, bX)), 4);
  if (d != 0) {
    p.v = Coordinate(t, bX, bY, dX, dY, t.kX, d);
    p.w = Coordinate(t, bX, bY, dX, dY, t.kY, d);
    if (p.v < 0) p.v = 0;
  }
  if (p.v > Mul(kCornerClampFactor, c.rightBottomX)) p.v = Mul(kCornerClampFactor, c.rightBottomX);
  if (p.w < 0) p.w = 0;
  if (p.w > Mul(kCornerClampFactor, c.rightBottomY)) p.w = Mul(kCornerClampFactor, c.rightBottomY);
  return p;
}

AbsolutePoint ToAbsolutePointer(CalibratedPoint point) {
  return {Truncate(point.v * kScaleX), Truncate(kAbsoluteMax - point.w * kScaleY)};
}

}  // namespace tavrel
