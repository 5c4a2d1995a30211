#include <gtest/gtest.h>

#include "resources/dialog_template.h"
#include "resources/images.h"
#include "resources/resource_ids.h"

namespace tavrel::resources {
namespace {

namespace id = resource_id;

TEST(KeyboardResourcesTest, BothLayoutsHoldTheSameKeysInsideTheirWindows) {
  const DialogTemplate* normal = FindDialog(id::kKeyboardDialog);
  const DialogTemplate* large = FindDialog(id::kLargeKeyboardDialog);
  ASSERT_TRUE(normal && large);
  EXPECT_EQ(normal->caption, "");
  EXPECT_EQ(large->caption, "Morvane Virtual Keyboard LARGE");
  ASSERT_EQ(normal->controls.size(), 71u);
  ASSERT_EQ(large->controls.size(), 71u);
  for (const DialogTemplate* dialog : {normal, large}) {
    SCOPED_TRACE(dialog->id);
    EXPECT_TRUE(dialog->Has(style::kSysModal | style::kCaption | style::kSysMenu));
    EXPECT_EQ(dialog->exStyle, 0x08000080u) << "tool window that never activates";
  }
  for (size_t n = 0; n < normal->controls.size(); ++n) {
    const ControlTemplate& key = normal->controls[n];
    const ControlTemplate& big = large->controls[n];
    SCOPED_TRACE(key.id);
    EXPECT_EQ(key.id, big.id);
    EXPECT_EQ(key.text, big.text);
    EXPECT_EQ(key.imageId, big.imageId);
    EXPECT_EQ(key.kind, key.imageId != 0 ? ControlKind::kBitmapButton : ControlKind::kPushButton);
    EXPECT_LE(key.x + key.cx, normal->cx);
    EXPECT_LE(key.y + key.cy, normal->cy);
    EXPECT_LE(big.x + big.cx, large->cx);
    EXPECT_LE(big.y + big.cy, large->cy);
    EXPECT_EQ(key.cy, 12);
    EXPECT_EQ(big.cy, 20);
  }
}

// Each key image is a 19 x 13 black drawing on white, whose ink leans the way it points.
TEST(KeyboardResourcesTest, KeyImagesPointTheirWay) {
  struct Row {
    const char* legend;
    int32_t bitmap;
    int dx, dy;  // the ink's lean from the centre: -1 left or up, 1 right or down, 0 either
  };
  const Row rows[] = {
      {"left arrow", 134, -1, 0}, {"up arrow", 135, 0, -1},     {"right arrow", 136, 1, 0},
      {"down arrow", 137, 0, 1},  {"return symbol", 138, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const auto image = LoadBitmapImage(row.bitmap);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, 19);
    ASSERT_EQ(image->height, 13);
    double sumX = 0, sumY = 0, ink = 0;
    for (int32_t y = 0; y < image->height; ++y) {
      for (int32_t x = 0; x < image->width; ++x) {
        const uint32_t pixel = image->At(x, y);
        ASSERT_TRUE(pixel == 0xFF000000 || pixel == 0xFFFFFFFF) << x << "," << y;
        if (pixel != 0xFF000000) continue;
        sumX += x - 9;
        sumY += y - 6;
        ++ink;
      }
    }
    ASSERT_GT(ink, 0);
    EXPECT_GT((row.dx * sumX + row.dy * sumY) / ink, 0.1);
  }
}

}  // namespace
}  // namespace tavrel::resources
