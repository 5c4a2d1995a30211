#include "resources/icon_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace tavrel::resources {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(IconFileTest, HeaderEntriesAndImagesAreLaidOutAsWindowsReadsThem) {
  // Top row: opaque, clear, just below half; bottom row: just half, opaque, nearly clear.
  const PixelImage small{
      3, 2, {0xFF112233, 0x00000000, 0x7F445566, 0x80AABBCC, 0xFFFFFFFF, 0x01020304}};
  const PixelImage wide{256, 1, std::vector<uint32_t>(256, 0xFF000080)};
  const PixelImage images[] = {small, wide};
  const std::vector<uint8_t> file = EncodeIconFile(images);
  struct Row {
    const char* legend;
    size_t offset;
    Bytes bytes;
  };
  const Row rows[] = {
      {"reserved, icon type, two images", 0, Bytes{0, 0, 1, 0, 2, 0}},
      {"3 x 2 entry: 32 bits, 72 bytes at 38", 6,
       Bytes{3, 2, 0, 0, 1, 0, 32, 0, 72, 0, 0, 0, 38, 0, 0, 0}},
      {"256 x 1 entry: side 256 as 0, 1096 bytes at 110", 22,
       Bytes{0, 1, 0, 0, 1, 0, 32, 0, 0x48, 4, 0, 0, 110, 0, 0, 0}},
      {"bitmap header: height doubled, 32 bits, 32 bytes of pixels and mask", 38,
       Bytes{40, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0, 0, 0, 0, 0, 32, 0, 0, 0}},
      {"no resolution, no palette", 62, Bytes(16, 0)},
      {"bottom row first, blue green red alpha", 78,
       Bytes{0xCC, 0xBB, 0xAA, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1}},
      {"then the top row", 90, Bytes{0x33, 0x22, 0x11, 0xFF, 0, 0, 0, 0, 0x66, 0x55, 0x44, 0x7F}},
      {"mask bottom up, set below half alpha, rows of 32 bits", 102,
       Bytes{0x20, 0, 0, 0, 0x60, 0, 0, 0}},
      {"second image after the first", 110, Bytes{40, 0, 0, 0, 0, 1, 0, 0, 2, 0, 0, 0}},
      {"its pixels", 150, Bytes{0x80, 0, 0, 0xFF}},
      {"its mask: all opaque, 256 bits", 150 + 1024, Bytes(32, 0)},
  };
  ASSERT_EQ(file.size(), 110u + 1096u);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    ASSERT_LE(row.offset + row.bytes.size(), file.size());
    EXPECT_EQ(Bytes(file.begin() + static_cast<ptrdiff_t>(row.offset),
                    file.begin() + static_cast<ptrdiff_t>(row.offset + row.bytes.size())),
              row.bytes);
  }
}

TEST(IconFileTest, ImagesItCannotHoldGiveNoFile) {
  const PixelImage tooWide{257, 1, std::vector<uint32_t>(257, 0)};
  const PixelImage empty{0, 0, {}};
  const PixelImage shortOfPixels{2, 2, {0, 0, 0}};
  for (const PixelImage& image : {tooWide, empty, shortOfPixels}) {
    EXPECT_TRUE(EncodeIconFile(std::span(&image, 1)).empty()) << image.width << "x" << image.height;
  }
  EXPECT_TRUE(EncodeIconFile({}).empty());
}

// The Windows build links resources/tavrel.ico into tavrel.exe: it must be the icon drawn now.
TEST(IconFileTest, ShippedIconIsTheProgramsDrawing) {
  const std::vector<uint8_t> drawn = AppIconFile();
  ASSERT_GT(drawn.size(), 6u + 3 * 16);
  EXPECT_EQ(drawn[4], 3);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(drawn[6 + 16 * i], kAppIconFileSizes[i]);
    EXPECT_EQ(drawn[7 + 16 * i], kAppIconFileSizes[i]);
  }
  std::ifstream in(TAVREL_SHIPPED_ICON, std::ios::binary);
  ASSERT_TRUE(in) << TAVREL_SHIPPED_ICON;
  const std::vector<uint8_t> shipped{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
  EXPECT_TRUE(shipped == drawn)
      << TAVREL_SHIPPED_ICON << " is not the icon drawn now (" << shipped.size() << " bytes, "
      << drawn.size() << " drawn); regenerate it from the top folder with\n"
      << "  cmake --build build --target tavrel-icon-png && build/tools/tavrel-icon-png --ico "
         "resources/tavrel.ico";
}

}  // namespace
}  // namespace tavrel::resources
