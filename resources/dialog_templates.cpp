#include <array>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace tavrel::resources {

namespace {

namespace id = resource_id;
using enum ControlKind;

constexpr uint32_t kChild = style::kVisible | 0x40000000;
constexpr uint32_t kButtonStyle = kChild | style::kTabStop;

constexpr std::array kAboutControls = {
    ControlTemplate{kStaticId, kIconPicture, "", 11, 17, 20, 20, kChild | 0x3, id::kAppIcon},
    ControlTemplate{kStaticId, kStaticText, "Tavrel Version 1.0", 40, 10, 119, 8, kChild | 0x20080},
    ControlTemplate{kStaticId, kStaticText, "Copyright (C) Morvane", 40, 25, 119, 8,
                    kChild | 0x20080},
    ControlTemplate{1, kDefaultButton, "OK", 178, 7, 50, 14, kButtonStyle | 0x1},
};

constexpr std::array kPanelControls = {
    ControlTemplate{id::kRightClickButton, kBitmapButton, "Right click", 3, 5, 36, 13, 0x50010080},
    ControlTemplate{id::kHideButton, kPushButton, "Hide", 3, 24, 36, 13, 0x50010000},
};

// The full-screen calibration dialog: every position is replaced when it opens.
constexpr uint32_t kMarkerStyle = 0x48010000;
constexpr uint32_t kPromptStyle = 0x4002020C;
constexpr uint32_t kTargetStyle = 0x4000000E;
constexpr std::array kCalibrationControls = {
    ControlTemplate{id::kMarkerLeftTop, kPushButton, "", 31, 25, 6, 7, kMarkerStyle},
    ControlTemplate{id::kMarkerLeftBottom, kPushButton, "", 31, 114, 6, 7, kMarkerStyle},
    ControlTemplate{id::kMarkerRightBottom, kPushButton, "", 177, 109, 6, 7, kMarkerStyle},
    ControlTemplate{id::kMarkerRightTop, kPushButton, "", 180, 28, 6, 7, kMarkerStyle},
    ControlTemplate{id::kPromptLeftBottom, kStaticText, "Click on the button at left bottom", 65,
                    86, 322, 12, kPromptStyle | style::kVisible},
    ControlTemplate{id::kPromptLeftTop, kStaticText, "Click on the button at left top", 66, 66, 281,
                    12, kPromptStyle},
    ControlTemplate{id::kPromptRightBottom, kStaticText, "Click on the button at right bottom", 66,
                    46, 276, 12, kPromptStyle},
    ControlTemplate{id::kPromptRightTop, kStaticText, "Click on the button at right top", 64, 58,
                    329, 12, kPromptStyle},
    ControlTemplate{id::kWaitText, kCenteredText, "Wait a moment please \nDon't touch the screen!",
                    1, 146, 197, 68, 0x40020001},
    ControlTemplate{id::kTargetLeftTop, kBitmapPicture, "", 18, 14, 32, 30, kTargetStyle,
                    id::kTargetBitmap},
    ControlTemplate{id::kTargetLeftBottom, kBitmapPicture, "", 17, 102, 32, 30,
                    kTargetStyle | style::kVisible, id::kTargetBitmap},
    ControlTemplate{id::kTargetRightTop, kBitmapPicture, "", 167, 17, 32, 30, kTargetStyle,
                    id::kTargetBitmap},
    ControlTemplate{id::kTargetRightBottom, kBitmapPicture, "", 164, 97, 32, 30, kTargetStyle,
                    id::kTargetBitmap},
};

constexpr std::array kDialogs = {
    DialogTemplate{id::kAboutDialog, "About Tavrel", "MS Sans Serif", 8, 0, 0, 235, 55, 0x80C800C0,
                   0, kAboutControls},
    DialogTemplate{id::kPanelDialog, "", "MS Sans Serif", 8, 0, 0, 44, 41, 0x90000042, 0x08040000,
                   kPanelControls},
    DialogTemplate{id::kCalibrationDialog, "", "MS Sans Serif", 8, 0, 0, 400, 300, 0x800000C0, 0,
                   kCalibrationControls},
};

}  // namespace

const DialogTemplate* FindDialog(int32_t dialogId) {
  for (const auto& dialog : kDialogs) {
    if (dialog.id == dialogId) return &dialog;
  }
  return nullptr;
}

}  // namespace tavrel::resources
