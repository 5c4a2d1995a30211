#include "resources/icon_file.h"

#include "resources/resource_ids.h"

namespace tavrel::resources {

namespace {

constexpr uint32_t kFileHeaderSize = 6;
constexpr uint32_t kEntrySize = 16;
constexpr uint32_t kBitmapHeaderSize = 40;
constexpr int32_t kMaxSide = 256;

// The file is little-endian whatever the host is.
void Put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// AND-mask rows are whole 32-bit words.
uint32_t MaskRowBytes(int32_t width) { return static_cast<uint32_t>((width + 31) / 32 * 4); }

uint32_t ImageBytes(const PixelImage& image) {
  const auto height = static_cast<uint32_t>(image.height);
  return kBitmapHeaderSize + static_cast<uint32_t>(image.width) * height * 4 +
         MaskRowBytes(image.width) * height;
}

bool Encodable(const PixelImage& image) {
  return image.width >= 1 && image.width <= kMaxSide && image.height >= 1 &&
         image.height <= kMaxSide &&
         image.argb.size() == static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
}

void PutImage(std::vector<uint8_t>& out, const PixelImage& image) {
  Put32(out, kBitmapHeaderSize);
  Put32(out, static_cast<uint32_t>(image.width));
  // The height counts the colour rows and the mask rows.
  Put32(out, static_cast<uint32_t>(image.height) * 2);
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits per pixel
  Put32(out, 0);   // BI_RGB
  Put32(out, ImageBytes(image) - kBitmapHeaderSize);
  for (int field = 0; field < 4; ++field) Put32(out, 0);  // resolution, palette
  // Both parts run from the bottom row up.
  for (int32_t y = image.height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < image.width; ++x) Put32(out, image.At(x, y));  // B, G, R, A
  }
  for (int32_t y = image.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(MaskRowBytes(image.width), 0);
    for (int32_t x = 0; x < image.width; ++x) {
      if ((image.At(x, y) >> 24) < 0x80) {
        row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

}  // namespace

std::vector<uint8_t> EncodeIconFile(std::span<const PixelImage> images) {
  if (images.empty() || images.size() > 0xFFFF) return {};
  for (const PixelImage& image : images) {
    if (!Encodable(image)) return {};
  }
  std::vector<uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<uint32_t>(images.size()));
  auto offset = static_cast<uint32_t>(kFileHeaderSize + kEntrySize * images.size());
  for (const PixelImage& image : images) {
    // A side of 256 is written as 0.
    out.push_back(static_cast<uint8_t>(image.width & 0xFF));
    out.push_back(static_cast<uint8_t>(image.height & 0xFF));
    out.push_back(0);  // no palette
    out.push_back(0);  // reserved
    Put16(out, 1);     // planes
    Put16(out, 32);    // bits per pixel
    Put32(out, ImageBytes(image));
    Put32(out, offset);
    offset += ImageBytes(image);
  }
  for (const PixelImage& image : images) PutImage(out, image);
  return out;
}

std::vector<uint8_t> AppIconFile() {
  std::vector<PixelImage> images;
  for (int32_t size : kAppIconFileSizes) {
    images.push_back(*LoadIconImage(resource_id::kAppIcon, size));
  }
  return EncodeIconFile(images);
}

}  // namespace tavrel::resources
