#include "platform/win32/win32_images.h"

#include <cstring>
#include <vector>

namespace tavrel {

HBITMAP MakeBitmap(const resources::PixelImage& image) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  // 0xAARRGGBB in memory order is the bitmap's blue, green, red, alpha.
  if (bitmap != nullptr) std::memcpy(bits, image.argb.data(), image.argb.size() * 4);
  return bitmap;
}

HICON MakeIcon(const resources::PixelImage& image) {
  HBITMAP colour = MakeBitmap(image);
  if (colour == nullptr) return nullptr;
  // With a 32-bit colour bitmap the mask only matters where alpha is not used; all opaque.
  const std::vector<uint8_t> maskBits(
      static_cast<size_t>((image.width + 15) / 16 * 2 * image.height));
  HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, maskBits.data());
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = mask != nullptr ? CreateIconIndirect(&info) : nullptr;
  DeleteObject(colour);
  if (mask != nullptr) DeleteObject(mask);
  return icon;
}

}  // namespace tavrel
