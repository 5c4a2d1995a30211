#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace tavrel::resources {

// A picture as rows of 0xAARRGGBB pixels, top row first. Every window layer makes its own
// bitmaps and icons from these, so the pictures have one source.
struct PixelImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> argb;

  uint32_t At(int32_t x, int32_t y) const { return argb[static_cast<size_t>(y * width + x)]; }
};

// The bitmap resource, or nothing when there is none.
std::optional<PixelImage> LoadBitmapImage(int32_t bitmapId);

// The icon resource drawn at size x size pixels (it is drawn for any size, so that it reads well
// at the 16 and 22 pixels of notification areas), or nothing when there is none.
std::optional<PixelImage> LoadIconImage(int32_t iconId, int32_t size);

}  // namespace tavrel::resources
