#include "resources/keyboard_images.h"

#include <array>
#include <string_view>

#include "resources/resource_ids.h"

namespace tavrel::resources {

namespace {

// 19 x 13 pixels, one bit each: black line drawings on white.
using KeyPicture = std::array<std::string_view, 13>;

constexpr KeyPicture kLeftArrow = {
    "...................", "......#............", ".....##............", "....###............",
    "...####............", "..################.", ".#################.", "..################.",
    "...####............", "....###............", ".....##............", "......#............",
    "...................",
};

constexpr KeyPicture kUpArrow = {
    ".........#.........", "........###........", ".......#####.......", "......#######......",
    ".....#########.....", "....###########....", "........###........", "........###........",
    "........###........", "........###........", "........###........", "........###........",
    "...................",
};

// An arrow pointing left with a hook going up on its right.
constexpr KeyPicture kReturnSymbol = {
    "...................", "...............##..", "...............##..", "...............##..",
    ".....#.........##..", "....##.........##..", "...###.........##..", "..###############..",
    ".################..", "..###############..", "...###.............", "....##.............",
    ".....#.............",
};

enum class Flip { kNone, kHorizontal, kVertical };

PixelImage Draw(const KeyPicture& picture, Flip flip) {
  constexpr uint32_t kBlack = 0xFF000000;
  constexpr uint32_t kWhite = 0xFFFFFFFF;
  const auto width = static_cast<int32_t>(picture[0].size());
  const auto height = static_cast<int32_t>(picture.size());
  PixelImage image{width, height, std::vector<uint32_t>(picture.size() * picture[0].size())};
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const int32_t fromX = flip == Flip::kHorizontal ? width - 1 - x : x;
      const int32_t fromY = flip == Flip::kVertical ? height - 1 - y : y;
      image.argb[static_cast<size_t>(y * width + x)] =
          picture[static_cast<size_t>(fromY)][static_cast<size_t>(fromX)] == '#' ? kBlack : kWhite;
    }
  }
  return image;
}

}  // namespace

std::optional<PixelImage> LoadKeyImage(int32_t bitmapId) {
  switch (bitmapId) {
    case resource_id::kArrowLeftBitmap:
      return Draw(kLeftArrow, Flip::kNone);
    case resource_id::kArrowRightBitmap:
      return Draw(kLeftArrow, Flip::kHorizontal);
    case resource_id::kArrowUpBitmap:
      return Draw(kUpArrow, Flip::kNone);
    case resource_id::kArrowDownBitmap:
      return Draw(kUpArrow, Flip::kVertical);
    case resource_id::kReturnBitmap:
      return Draw(kReturnSymbol, Flip::kNone);
    default:
      return std::nullopt;
  }
}

}  // namespace tavrel::resources
