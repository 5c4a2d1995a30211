#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tavrel {

// The four calibration corners in raw controller units.
struct Corners {
  int32_t leftTopX, leftTopY;
  int32_t leftBottomX, leftBottomY;
  int32_t rightTopX, rightTopY;
  int32_t rightBottomX, rightBottomY;
  bool operator==(const Corners&) const = default;
};

// Stored names of the corner values.
namespace value_name {
inline constexpr std::string_view kLeftTopX = "Click Value Left Top X";
inline constexpr std::string_view kLeftTopY = "Click Value Left Top Y";
inline constexpr std::string_view kLeftBottomX = "Click Value Left Bottom X";
inline constexpr std::string_view kLeftBottomY = "Click Value Left Bottom Y";
inline constexpr std::string_view kRightTopX = "Click Value Right Top X";
inline constexpr std::string_view kRightTopY = "Click Value Right Top Y";
inline constexpr std::string_view kRightBottomX = "Click Value Right Bottom X";
inline constexpr std::string_view kRightBottomY = "Click Value Right Bottom Y";
}  // namespace value_name

// Factory calibration corners, in raw controller units.
namespace factory_corner {
inline constexpr int32_t kLeftTopX = 111, kLeftTopY = 105;
inline constexpr int32_t kLeftBottomX = 126, kLeftBottomY = 1885;
inline constexpr int32_t kRightTopX = 1946, kRightTopY = 127;
inline constexpr int32_t kRightBottomX = 1955, kRightBottomY = 1895;
}  // namespace factory_corner

// One corner value: its place in Corners, its stored name, the controller memory word that holds
// it and its factory value.
struct CornerValue {
  int32_t Corners::*value;
  std::string_view name;
  uint8_t word;
  int32_t factory;
};

// The eight corner values in the order they are reset and loaded: left top, left bottom, right
// top, right bottom, X before Y. The controller keeps left bottom, right bottom, left top and
// right top in words 0 to 7.
inline constexpr std::array<CornerValue, 8> kCornerValues = {{
    {&Corners::leftTopX, value_name::kLeftTopX, 4, factory_corner::kLeftTopX},
    {&Corners::leftTopY, value_name::kLeftTopY, 5, factory_corner::kLeftTopY},
    {&Corners::leftBottomX, value_name::kLeftBottomX, 0, factory_corner::kLeftBottomX},
    {&Corners::leftBottomY, value_name::kLeftBottomY, 1, factory_corner::kLeftBottomY},
    {&Corners::rightTopX, value_name::kRightTopX, 6, factory_corner::kRightTopX},
    {&Corners::rightTopY, value_name::kRightTopY, 7, factory_corner::kRightTopY},
    {&Corners::rightBottomX, value_name::kRightBottomX, 2, factory_corner::kRightBottomX},
    {&Corners::rightBottomY, value_name::kRightBottomY, 3, factory_corner::kRightBottomY},
}};

// The corner value in controller memory word `word`, 0 to 7.
constexpr const CornerValue& CornerValueOfWord(uint8_t word) {
  for (const CornerValue& corner : kCornerValues) {
    if (corner.word == word) return corner;
  }
  return kCornerValues[0];
}

constexpr Corners FactoryCorners() {
  Corners corners{};
  for (const CornerValue& corner : kCornerValues) corners.*corner.value = corner.factory;
  return corners;
}

}  // namespace tavrel
