#include "touch/calibration_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>
#include <tuple>

#include "touch/wrapping_int32.h"

namespace tavrel {
namespace {

constexpr Corners kFactory{111, 105, 126, 1885, 1946, 127, 1955, 1895};

TEST(CalibrationTransformTest, KnownPoints) {
  struct Raw {
    int32_t x, y;
  };
  struct Row {
    const char* legend;
    Corners corners;
    Raw raw;
    CalibratedPoint expected;
  };
  // The right-bottom corner on the diagonal makes that triangle flat: it maps to (0, 0), which
  // shows which triangle a point on the diagonal takes.
  const Corners leftTopNonNegative{1900, 100, 100, 100, 1900, 1900, 1000, 1000};
  const Corners leftTopNegative{100, 1900, 100, 100, 1900, 1900, 1000, 1000};
  const Corners allEqual{500, 500, 500, 500, 500, 500, 500, 500};
  const Corners collinear{100, 100, 200, 200, 300, 300, 400, 400};
  Corners lowRightBottomX = kFactory, lowRightBottomY = kFactory;
  lowRightBottomX.rightBottomX = 50;
  lowRightBottomY.rightBottomY = 40;
  const Row rows[] = {
      {"factory: a point on the diagonal", kFactory, {1036, 1006}, {1023, 1023}},
      {"diagonal: left-top corner on the non-negative side",
       leftTopNonNegative,
       {1000, 1000},
       {1023, 1023}},
      {"diagonal: left-top corner on the negative side", leftTopNegative, {1000, 1000}, {0, 0}},
      {"degenerate: all corners equal", allEqual, {700, 900}, {0, 0}},
      {"degenerate: collinear corners", collinear, {5, 2000}, {0, 0}},
      {"below the left edge v is held at 0", kFactory, {0, 1000}, {0, 1016}},
      {"below the bottom edge w is held at 0", kFactory, {1000, 2047}, {981, 0}},
      {"v is held at 34 × right-bottom X", lowRightBottomX, {1946, 127}, {1700, 1944}},
      {"w is held at 34 × right-bottom Y", lowRightBottomY, {111, 105}, {102, 1360}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ApplyCalibration(row.corners, row.raw.x, row.raw.y), row.expected) << row.legend;
  }
}

TEST(CalibrationTransformTest, CornerShapes) {
  using enum CornerShape;
  // The smallest square allowed, raw Y growing downwards; the other sets turn, mirror or spoil it.
  constexpr int32_t lo = 300, hi = lo + kMinCornerSpan;
  constexpr Corners square{lo, lo, lo, hi, hi, lo, hi, hi};
  const auto with = [](Corners c, int32_t Corners::*field, int32_t value) {
    c.*field = value;
    return c;
  };
  const std::tuple<const char*, Corners, CornerShape> rows[] = {
      {"factory", kFactory, kScreen},
      {"the smallest square", square, kScreen},
      {"mirrored left to right", {hi, lo, hi, hi, lo, lo, lo, hi}, kScreen},
      {"mirrored top to bottom", {lo, hi, lo, lo, hi, hi, hi, lo}, kScreen},
      {"turned a quarter (a portrait screen)", {lo, hi, hi, hi, lo, lo, hi, lo}, kScreen},
      {"top one unit short", with(square, &Corners::rightTopX, hi - 1), kTooClose},
      {"left one unit short", with(square, &Corners::leftTopY, lo + 1), kTooClose},
      {"first target held for two corners",
       {210, 240, 200, 1800, 200, 1800, 1860, 1790},
       kTooClose},
      {"the top pair swapped", {hi, lo, lo, hi, lo, lo, hi, hi}, kMisplaced},
      {"collinear", {100, 100, 700, 700, 1900, 1900, 1300, 1300}, kMisplaced},
      {"left top touched on the diagonal", {1000, 1001, 0, 2000, 2000, 0, 2000, 2000}, kMisplaced},
      {"left top folded over the diagonal",
       {1300, 1050, 100, 100, 1900, 1900, 1300, 400},
       kMisplaced},
      {"the read-failure code as a corner", with(kFactory, &Corners::leftTopX, -130), kMisplaced},
  };
  for (const auto& [legend, corners, expected] : rows) {
    EXPECT_EQ(CheckCornerShape(corners), expected) << legend;
  }
}

TEST(CalibrationTransformTest, AbsolutePointerIsTruncatedNotClamped) {
  struct Row {
    const char* legend;
    CalibratedPoint point;
    AbsolutePoint expected;
  };
  const Row rows[] = {
      {"origin", {0, 0}, {0, 65535}},
      {"v 2004 is the last inside", {2004, 2016}, {65530, 15}},
      {"v 2005 passes 65535, w 2017 goes negative", {2005, 2017}, {65563, -17}},
      {"327 × v / 10 rounded down", {1000, 1047}, {32700, 31507}},
      {"a negative v truncates toward zero", {-1, 0}, {-32, 65535}},
      {"beyond 32 bits: the processor's INT32_MIN", {INT32_MAX, INT32_MIN}, {INT32_MIN, INT32_MIN}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ToAbsolutePointer(row.point), row.expected) << row.legend;
  }
}

TEST(WrappingTest, WrapsLikeTheProcessor) {
  using namespace wrapping;
  EXPECT_EQ(Mul(65535, 65535), -131071);
  EXPECT_EQ(Add(INT32_MAX, 1), INT32_MIN);
  EXPECT_EQ(Sub(INT32_MIN, 1), INT32_MAX);
  EXPECT_EQ(Div(-7, 4), -1) << "toward zero";
  EXPECT_EQ(Div(INT32_MIN, -1), INT32_MIN);
  EXPECT_EQ(Div(7, -1), -7);
}

// A random calibration: the calibrated square turned, mirrored or with swapped axes, scaled into
// the raw frame, each corner nudged so the quadrilateral is no parallelogram.
class RandomCalibration {
 public:
  explicit RandomCalibration(std::mt19937& random) {
    std::uniform_real_distribution<double> angle(0, 2 * std::numbers::pi);
    std::uniform_real_distribution<double> scale(0.45, 0.75);
    std::uniform_int_distribution<int> nudge(-40, 40);
    const double a = angle(random), sx = scale(random), sy = scale(random);
    const double mirror = std::bernoulli_distribution(0.5)(random) ? -1 : 1;
    const auto place = [&](double v, double w, int32_t& x, int32_t& y) {
      const double u = (v - 1023.5) * sx * mirror, t = (w - 1023.5) * sy;
      x = static_cast<int32_t>(1023.5 + u * std::cos(a) - t * std::sin(a)) + nudge(random);
      y = static_cast<int32_t>(1023.5 + u * std::sin(a) + t * std::cos(a)) + nudge(random);
    };
    place(102, 1945, corners.leftTopX, corners.leftTopY);
    place(102, 102, corners.leftBottomX, corners.leftBottomY);
    place(1945, 1945, corners.rightTopX, corners.rightTopY);
    place(1945, 102, corners.rightBottomX, corners.rightBottomY);
  }

  // Where a raw point lands on the exact piecewise-affine map.
  CalibratedPoint Exact(double rawX, double rawY) const {
    const Corners& c = corners;
    const double dX = rawX - c.leftBottomX, dY = rawY - c.leftBottomY;
    const double bX = c.rightTopX - c.leftBottomX, bY = c.rightTopY - c.leftBottomY;
    const double ltX = c.leftTopX - c.leftBottomX, ltY = c.leftTopY - c.leftBottomY;
    const bool leftTop = (ltX * bY - ltY * bX < 0) == (dX * bY - dY * bX < 0);
    const double aX = leftTop ? ltX : c.rightBottomX - c.leftBottomX;
    const double aY = leftTop ? ltY : c.rightBottomY - c.leftBottomY;
    const double det = aX * bY - aY * bX;
    const double s = (dX * bY - dY * bX) / det, t = (aX * dY - aY * dX) / det;
    const double v = 102 + 1843 * t + (leftTop ? 0 : 1843 * s);
    const double w = 102 + 1843 * t + (leftTop ? 1843 * s : 0);
    return {static_cast<int32_t>(std::lround(v)), static_cast<int32_t>(std::lround(w))};
  }

  Corners corners{};
};

TEST(CalibrationTransformTest, RandomCalibrationsRoundTrip) {
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> unit(0, 1);
  int tested = 0;
  for (int calibration = 0; calibration < 3000; ++calibration) {
    const RandomCalibration cal(random);
    const Corners& c = cal.corners;
    ASSERT_EQ(CheckCornerShape(c), CornerShape::kScreen) << "any turn or mirror is a screen";
    // Where 34 × the right-bottom corner is below 1945 the final clamps bite: not this property.
    if (34 * c.rightBottomX <= 1946 || 34 * c.rightBottomY <= 1946) continue;
    ++tested;
    SCOPED_TRACE(::testing::Message()
                 << "corners LT " << c.leftTopX << "," << c.leftTopY << " LB " << c.leftBottomX
                 << "," << c.leftBottomY << " RT " << c.rightTopX << "," << c.rightTopY << " RB "
                 << c.rightBottomX << "," << c.rightBottomY);
    const auto near = [](CalibratedPoint got, CalibratedPoint want, int tolerance) {
      return std::abs(got.v - want.v) <= tolerance && std::abs(got.w - want.w) <= tolerance;
    };
    const struct {
      int32_t x, y;
      CalibratedPoint target;
    } cornerRows[] = {{c.leftTopX, c.leftTopY, {102, 1945}},
                      {c.leftBottomX, c.leftBottomY, {102, 102}},
                      {c.rightTopX, c.rightTopY, {1945, 1945}},
                      {c.rightBottomX, c.rightBottomY, {1945, 102}}};
    for (const auto& corner : cornerRows) {
      const CalibratedPoint got = ApplyCalibration(c, corner.x, corner.y);
      ASSERT_TRUE(near(got, corner.target, 1)) << "corner lands on " << got.v << "," << got.w;
    }
    for (int sample = 0; sample < 20; ++sample) {
      // A raw point inside the quadrilateral, between its edges.
      const double s = unit(random), t = unit(random);
      const double x = (1 - s) * ((1 - t) * c.leftBottomX + t * c.leftTopX) +
                       s * ((1 - t) * c.rightBottomX + t * c.rightTopX);
      const double y = (1 - s) * ((1 - t) * c.leftBottomY + t * c.leftTopY) +
                       s * ((1 - t) * c.rightBottomY + t * c.rightTopY);
      const int32_t rawX = static_cast<int32_t>(x), rawY = static_cast<int32_t>(y);
      const CalibratedPoint got = ApplyCalibration(c, rawX, rawY);
      const CalibratedPoint want = cal.Exact(rawX, rawY);
      ASSERT_TRUE(near(got, want, 2)) << "raw " << rawX << "," << rawY << " gives " << got.v << ","
                                      << got.w << " not " << want.v << "," << want.w;
    }
  }
  EXPECT_GT(tested, 2000);
}

// Corner values up to 65535 come from the controller's memory; whatever they are, the result
// stays within the clamps (and the sanitizer builds see no overflow).
TEST(CalibrationTransformTest, AnyValuesStayWithinTheClamps) {
  std::mt19937 random(65535);
  std::uniform_int_distribution<int32_t> value(0, 65535);
  const int32_t edges[] = {0, 1, 2047, 32767, 65534, 65535};
  std::uniform_int_distribution<size_t> edge(0, std::size(edges) - 1);
  for (int i = 0; i < 200000; ++i) {
    const auto pick = [&] { return i % 2 == 0 ? value(random) : edges[edge(random)]; };
    const Corners c{pick(), pick(), pick(), pick(), pick(), pick(), pick(), pick()};
    const CalibratedPoint p = ApplyCalibration(c, pick(), pick());
    ASSERT_GE(p.v, 0);
    ASSERT_LE(p.v, 34 * c.rightBottomX);
    ASSERT_GE(p.w, 0);
    ASSERT_LE(p.w, 34 * c.rightBottomY);
    const AbsolutePoint a = ToAbsolutePointer(p);
    ASSERT_GE(a.x, 0);
    ASSERT_LE(a.y, 65535);
  }
}

}  // namespace
}  // namespace tavrel
