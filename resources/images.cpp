#include "resources/images.h"

#include <array>
#include <cmath>
#include <functional>
#include <span>
#include <string_view>

#include "resources/keyboard_images.h"
#include "resources/resource_ids.h"

namespace tavrel::resources {

namespace {

constexpr uint32_t kDarkBlue = 0xFF000080;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

// The word on the "Right click" button's on image: 2-pixel strokes, cap height 9, descender 2.
constexpr std::array<std::string_view, 11> kRightWord = {
    "#####..##..........##..........", "##..##.##..........##......##..",
    "##..##.............##......##..", "##..##.##..#####...#####..#####",
    "#####..##.##..##...##..##..##..", "##.##..##.##..##...##..##..##..",
    "##..##.##.##..##...##..##..##..", "##..##.##.##..##...##..##..##..",
    "##..##.##..#####...##..##...###", "...............##..............",
    "...........####................",
};

// The calibration target, black on white: a square in the middle and a stroke from each corner.
constexpr std::array<std::string_view, 7> kTarget = {
    "#.....#", ".#...#.", "..###..", "..###..", "..###..", ".#...#.", "#.....#",
};

PixelImage Filled(int32_t width, int32_t height, uint32_t colour) {
  return {width, height, std::vector<uint32_t>(static_cast<size_t>(width * height), colour)};
}

// The rows (# for ink) centred on a background of width x height.
PixelImage Pattern(std::span<const std::string_view> rows, int32_t width, int32_t height,
                   uint32_t background, uint32_t ink) {
  PixelImage image = Filled(width, height, background);
  const auto patternWidth = static_cast<int32_t>(rows[0].size());
  const int32_t left = (width - patternWidth) / 2;
  const int32_t top = (height - static_cast<int32_t>(rows.size())) / 2;
  for (int32_t row = 0; row < static_cast<int32_t>(rows.size()); ++row) {
    for (int32_t col = 0; col < patternWidth; ++col) {
      if (rows[row][col] == '#') {
        image.argb[static_cast<size_t>((top + row) * width + left + col)] = ink;
      }
    }
  }
  return image;
}

// The icon: a touch screen on its stand with a white touch mark (ring and dot) on the blue
// screen. Shapes are in units of the icon's side and drawn with 4 x 4 samples per pixel.
using Shape = std::function<bool(double x, double y)>;

Shape Box(double left, double top, double right, double bottom) {
  return [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; };
}

Shape Ring(double cx, double cy, double inner, double outer) {
  return [=](double x, double y) {
    const double d = std::hypot(x - cx, y - cy);
    return d >= inner && d < outer;
  };
}

uint32_t Over(uint32_t below, uint32_t colour, double coverage) {
  const double a = coverage;
  const double belowA = ((below >> 24) & 0xFF) / 255.0;
  const double outA = a + belowA * (1 - a);
  if (outA <= 0) return 0;
  uint32_t out = static_cast<uint32_t>(std::lround(outA * 255)) << 24;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double top = (colour >> shift) & 0xFF;
    const double bottom = (below >> shift) & 0xFF;
    const double mixed = (top * a + bottom * belowA * (1 - a)) / outA;
    out |= static_cast<uint32_t>(std::lround(mixed)) << shift;
  }
  return out;
}

void Paint(PixelImage& image, const Shape& shape, uint32_t colour) {
  constexpr int kSamples = 4;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      int inside = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double ux = (x + (sx + 0.5) / kSamples) / image.width;
          const double uy = (y + (sy + 0.5) / kSamples) / image.height;
          inside += shape(ux, uy) ? 1 : 0;
        }
      }
      if (inside == 0) continue;
      auto& pixel = image.argb[static_cast<size_t>(y * image.width + x)];
      pixel = Over(pixel, colour, inside / double(kSamples * kSamples));
    }
  }
}

PixelImage AppIcon(int32_t size) {
  constexpr uint32_t kFrame = 0xFF263238;
  constexpr uint32_t kScreen = 0xFF1565C0;
  PixelImage image = Filled(size, size, 0);
  Paint(image, Box(0.0, 0.06, 1.0, 0.78), kFrame);
  Paint(image, Box(0.41, 0.78, 0.59, 0.88), kFrame);
  Paint(image, Box(0.22, 0.88, 0.78, 1.0), kFrame);
  Paint(image, Box(0.09, 0.15, 0.91, 0.69), kScreen);
  Paint(image, Ring(0.5, 0.42, 0.15, 0.25), kWhite);
  Paint(image, Ring(0.5, 0.42, 0.0, 0.07), kWhite);
  return image;
}

}  // namespace

std::optional<PixelImage> LoadBitmapImage(int32_t bitmapId) {
  if (auto keyImage = LoadKeyImage(bitmapId)) return keyImage;
  switch (bitmapId) {
    case resource_id::kRightClickOffBitmap:
      return Filled(80, 40, kDarkBlue);
    case resource_id::kRightClickOnBitmap:
      return Pattern(kRightWord, 80, 40, kDarkBlue, kWhite);
    case resource_id::kTargetBitmap:
      return Pattern(kTarget, 7, 7, kWhite, kBlack);
    default:
      return std::nullopt;
  }
}

std::optional<PixelImage> LoadIconImage(int32_t iconId, int32_t size) {
  if (iconId != resource_id::kAppIcon || size <= 0) return std::nullopt;
  return AppIcon(size);
}

}  // namespace tavrel::resources
