#include <array>

#include "resources/dialog_template.h"
#include "resources/keyboard_templates.h"
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

// The setup dialog. Template order is tab order: "Check memory", OK, Cancel, Freq, Try, Len, the
// two double-click boxes, the check box, the double-click delay, the two click boxes.
constexpr uint32_t kOneLineText = kChild | 0xC;
constexpr uint32_t kCentredText = kChild | 0x1;
constexpr uint32_t kTrackbarStyle = kButtonStyle | 0x8;  // ticks on both sides, at the ends only

constexpr std::array kSetupControls = {
    ControlTemplate{id::kFirmwareLine, kStaticText, "Firmware release: x.yz", 7, 10, 332, 17,
                    kOneLineText},
    ControlTemplate{id::kModelLine, kStaticText, "Touch screen model: abcdef", 7, 43, 332, 17,
                    kOneLineText},
    ControlTemplate{id::kMemoryLine, kStaticText, "Touch controller memory check", 7, 75, 403, 17,
                    kOneLineText & ~style::kVisible},
    ControlTemplate{id::kCheckMemoryButton, kPushButton, "Check memory", 7, 94, 75, 14,
                    kButtonStyle},
    ControlTemplate{1, kDefaultButton, "OK", 395, 5, 50, 14, kButtonStyle | 0x1},
    ControlTemplate{2, kPushButton, "Cancel", 395, 22, 50, 14, kButtonStyle},
    ControlTemplate{kStaticId, kGroupBox, "Touch Screen properties", 3, 118, 442, 156,
                    kChild | 0x7},
    ControlTemplate{kStaticId, kCenteredText, "Freq (Hz)", 8, 131, 43, 12, kCentredText},
    ControlTemplate{id::kFreqLabel, kCenteredText, "", 8, 145, 43, 12, kCentredText},
    ControlTemplate{id::kFreqTrackbar, kTrackbar, "", 52, 131, 75, 26, kTrackbarStyle},
    ControlTemplate{kStaticId, kCenteredText, "1000\nHz", 50, 157, 22, 16, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "10000\nHz", 106, 157, 22, 16, kCentredText},
    ControlTemplate{id::kTryButton, kPushButton, "Try", 50, 228, 38, 19, kButtonStyle},
    ControlTemplate{kStaticId, kCenteredText, "Len (msec)", 8, 179, 43, 12, kCentredText},
    ControlTemplate{id::kLenLabel, kCenteredText, "", 8, 193, 43, 12, kCentredText},
    ControlTemplate{id::kLenTrackbar, kTrackbar, "", 52, 179, 75, 26, kTrackbarStyle},
    ControlTemplate{kStaticId, kCenteredText, "0\nmsec", 50, 208, 22, 16, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "250\nmsec", 106, 208, 22, 16, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "DblClick width", 152, 130, 50, 12, kCentredText},
    ControlTemplate{id::kDblClickWidthLabel, kCenteredText, "", 152, 144, 43, 12, kCentredText},
    ControlTemplate{id::kDblClickWidthTrackbar, kTrackbar, "", 211, 130, 75, 26, kTrackbarStyle},
    ControlTemplate{kStaticId, kCenteredText, "0", 209, 160, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "200", 265, 160, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "DblClick height", 152, 178, 50, 12, kCentredText},
    ControlTemplate{id::kDblClickHeightLabel, kCenteredText, "", 152, 192, 43, 12, kCentredText},
    ControlTemplate{id::kDblClickHeightTrackbar, kTrackbar, "", 211, 178, 75, 26, kTrackbarStyle},
    ControlTemplate{kStaticId, kCenteredText, "0", 209, 208, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "200", 265, 208, 22, 10, kCentredText},
    ControlTemplate{id::kTrackingCheckBox, kCheckBox, "Touch Screen tracking", 8, 257, 90, 12,
                    kButtonStyle | 0x3},
    ControlTemplate{kStaticId, kCenteredText, "DblClick delay", 152, 226, 50, 12, kCentredText},
    ControlTemplate{id::kDblClickDelayLabel, kCenteredText, "", 152, 240, 43, 12, kCentredText},
    ControlTemplate{id::kDblClickDelayTrackbar, kTrackbar, "", 211, 226, 75, 26, kTrackbarStyle},
    ControlTemplate{kStaticId, kCenteredText, "0", 209, 253, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "1000", 265, 253, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "Click width", 301, 130, 50, 12, kCentredText},
    ControlTemplate{id::kClickWidthLabel, kCenteredText, "", 301, 144, 43, 12, kCentredText},
    ControlTemplate{id::kClickWidthTrackbar, kTrackbar, "", 360, 130, 75, 26, kTrackbarStyle},
    ControlTemplate{kStaticId, kCenteredText, "0", 358, 157, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "50", 414, 157, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "Click height", 301, 188, 50, 12, kCentredText},
    ControlTemplate{id::kClickHeightLabel, kCenteredText, "", 301, 202, 43, 12, kCentredText},
    ControlTemplate{id::kClickHeightTrackbar, kTrackbar, "", 360, 188, 75, 26, kTrackbarStyle},
    ControlTemplate{kStaticId, kCenteredText, "0", 358, 215, 22, 10, kCentredText},
    ControlTemplate{kStaticId, kCenteredText, "50", 414, 215, 22, 10, kCentredText},
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
    DialogTemplate{id::kSetupDialog, "Touch Screen software setup", "MS Sans Serif", 8, 0, 0, 448,
                   278, 0x80C808C0, 0, kSetupControls},
    DialogTemplate{id::kKeyboardDialog, "", "MS Sans Serif", 8, 0, 0, 241, 86,
                   keyboard_layout::kKeyboardStyle, keyboard_layout::kKeyboardExStyle,
                   keyboard_layout::kNormalKeys},
    DialogTemplate{id::kLargeKeyboardDialog, "Morvane Virtual Keyboard LARGE", "MS Sans Serif", 8,
                   0, 0, 370, 137, keyboard_layout::kKeyboardStyle,
                   keyboard_layout::kKeyboardExStyle, keyboard_layout::kLargeKeys},
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
