#include <gtest/gtest.h>

#include <algorithm>

#include "resources/dialog_template.h"
#include "resources/images.h"
#include "resources/menus_strings.h"
#include "resources/resource_ids.h"

namespace tavrel::resources {
namespace {

namespace id = resource_id;

TEST(ResourcesTest, DialogUnitsBecomePixelsWithTheTemplateFontsBaseUnits) {
  struct Row {
    const char* legend;
    int32_t dlu, x, y;
  };
  const Row rows[] = {
      {"zero", 0, 0, 0},
      {"panel width and height", 44, 66, 72},
      {"panel height", 41, 62, 67},
      {"button left and top", 3, 5, 5},
      {"half rounds up", 5, 8, 8},
      {"button size", 36, 54, 59},
      {"button height", 13, 20, 21},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    EXPECT_EQ(DluToPixelsX(row.dlu), row.x);
    EXPECT_EQ(DluToPixelsY(row.dlu), row.y);
  }
}

TEST(ResourcesTest, EveryControlLiesInsideItsDialog) {
  for (int32_t dialogId : {id::kAboutDialog, id::kPanelDialog, id::kCalibrationDialog}) {
    const DialogTemplate* dialog = FindDialog(dialogId);
    ASSERT_NE(dialog, nullptr) << dialogId;
    for (const ControlTemplate& control : dialog->controls) {
      EXPECT_LE(control.x + control.cx, dialog->cx) << dialogId << " " << control.text;
      EXPECT_LE(control.y + control.cy, dialog->cy) << dialogId << " " << control.text;
    }
  }
  EXPECT_EQ(FindDialog(101), nullptr);
}

TEST(ResourcesTest, TrayMenuHasItsItemsInOrderWithShowOnTopChecked) {
  const auto popup = LoadMenuPopup(id::kTrayMenu, 0);
  ASSERT_TRUE(popup.has_value());
  const std::vector<MenuEntry> expected = {
      {32775, "Show on top", true},
      {32774, "Show window", false},
      {32778, "Show keyboard", false},
      {32779, "Show Keyboard LARGE", false},
      {0, "", false},
      {32771, "Calibration", false},
      {32777, "Setup", false},
      {0, "", false},
      {32772, "Close", false},
  };
  EXPECT_EQ(*popup, expected);
  EXPECT_FALSE(LoadMenuPopup(id::kTrayMenu, 1).has_value()) << "one popup only";
  EXPECT_FALSE(LoadMenuPopup(136, 0).has_value());
  EXPECT_EQ(LoadString(id::kAboutString), "&About Tavrel...");
  EXPECT_EQ(LoadString(102), "");
}

TEST(ResourcesTest, RightClickImagesAreDarkBlueAndTheWordFitsTheButtonFace) {
  constexpr uint32_t kDarkBlue = 0xFF000080, kWhite = 0xFFFFFFFF;
  const auto off = LoadBitmapImage(id::kRightClickOffBitmap);
  const auto on = LoadBitmapImage(id::kRightClickOnBitmap);
  ASSERT_TRUE(off && on);
  for (const auto* image : {&*off, &*on}) {
    EXPECT_EQ(image->width, 80);
    EXPECT_EQ(image->height, 40);
  }
  EXPECT_TRUE(std::all_of(off->argb.begin(), off->argb.end(),
                          [&](uint32_t pixel) { return pixel == kDarkBlue; }));
  // The 54 x 21 button shows the middle of the 80 x 40 picture, inside a 3-pixel bevel.
  int whites = 0;
  for (int32_t y = 0; y < on->height; ++y) {
    for (int32_t x = 0; x < on->width; ++x) {
      const uint32_t pixel = on->At(x, y);
      ASSERT_TRUE(pixel == kDarkBlue || pixel == kWhite);
      if (pixel != kWhite) continue;
      ++whites;
      EXPECT_TRUE(x >= 16 && x < 64 && y >= 13 && y < 28) << x << "," << y;
    }
  }
  EXPECT_GT(whites, 60);
  EXPECT_FALSE(LoadBitmapImage(145).has_value());
}

TEST(ResourcesTest, IconShowsAWhiteTouchMarkOnABlueScreenAtTraySizes) {
  for (int32_t size : {16, 22, 32}) {
    SCOPED_TRACE(size);
    const auto icon = LoadIconImage(id::kAppIcon, size);
    ASSERT_TRUE(icon.has_value());
    ASSERT_EQ(icon->width, size);
    const int32_t c = size / 2;
    const uint32_t mark = icon->At(c, static_cast<int32_t>(size * 0.42));
    EXPECT_GE(mark & 0xFF, 0xC0u) << "the dot is light";
    const uint32_t screen = icon->At(size / 6, size / 5);
    EXPECT_EQ(screen >> 24, 0xFFu);
    EXPECT_GT(screen & 0xFF, (screen >> 16) & 0xFF) << "the screen is blue";
    EXPECT_EQ(icon->At(0, size - 1) >> 24, 0u) << "corners beside the stand are clear";
  }
  EXPECT_FALSE(LoadIconImage(129, 16).has_value());
}

}  // namespace
}  // namespace tavrel::resources
