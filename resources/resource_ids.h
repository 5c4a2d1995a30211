#pragma once

#include <cstdint>

// Resource and control ids, shared by the templates and the code that addresses them.
namespace tavrel::resource_id {

inline constexpr int32_t kAboutDialog = 100;
inline constexpr int32_t kAboutString = 101;
inline constexpr int32_t kPanelDialog = 102;
inline constexpr int32_t kAppIcon = 128;
inline constexpr int32_t kRightClickOffBitmap = 130;
inline constexpr int32_t kRightClickOnBitmap = 131;
inline constexpr int32_t kTrayMenu = 135;

// Panel controls.
inline constexpr int32_t kRightClickButton = 1006;
inline constexpr int32_t kHideButton = 1008;

// Tray menu commands.
inline constexpr int32_t kCalibrationCommand = 32771;
inline constexpr int32_t kCloseCommand = 32772;
inline constexpr int32_t kShowWindowCommand = 32774;
inline constexpr int32_t kShowOnTopCommand = 32775;
inline constexpr int32_t kSetupCommand = 32777;
inline constexpr int32_t kShowKeyboardCommand = 32778;
inline constexpr int32_t kShowLargeKeyboardCommand = 32779;

// Calibration dialog, its target bitmap and its controls.
inline constexpr int32_t kCalibrationDialog = 129;
inline constexpr int32_t kTargetBitmap = 144;
inline constexpr int32_t kMarkerLeftTop = 1018;
inline constexpr int32_t kMarkerLeftBottom = 1019;
inline constexpr int32_t kMarkerRightBottom = 1020;
inline constexpr int32_t kMarkerRightTop = 1021;
inline constexpr int32_t kPromptLeftBottom = 1022;
inline constexpr int32_t kPromptLeftTop = 1023;
inline constexpr int32_t kPromptRightBottom = 1024;
inline constexpr int32_t kPromptRightTop = 1025;
inline constexpr int32_t kWaitText = 1076;
inline constexpr int32_t kTargetLeftTop = 1089;
inline constexpr int32_t kTargetLeftBottom = 1090;
inline constexpr int32_t kTargetRightTop = 1091;
inline constexpr int32_t kTargetRightBottom = 1092;

// The About entry of the panel's system menu.
inline constexpr int32_t kAboutCommand = 16;

// The setup dialog and its controls.
inline constexpr int32_t kSetupDialog = 132;
inline constexpr int32_t kFirmwareLine = 1024;
inline constexpr int32_t kModelLine = 1025;
inline constexpr int32_t kMemoryLine = 1026;
inline constexpr int32_t kFreqTrackbar = 1077;
inline constexpr int32_t kTryButton = 1078;
inline constexpr int32_t kLenTrackbar = 1079;
inline constexpr int32_t kCheckMemoryButton = 1080;
inline constexpr int32_t kDblClickWidthLabel = 1082;
inline constexpr int32_t kDblClickWidthTrackbar = 1083;
inline constexpr int32_t kDblClickHeightTrackbar = 1084;
inline constexpr int32_t kDblClickHeightLabel = 1085;
inline constexpr int32_t kFreqLabel = 1086;
inline constexpr int32_t kLenLabel = 1087;
inline constexpr int32_t kTrackingCheckBox = 1088;
inline constexpr int32_t kDblClickDelayTrackbar = 1089;
inline constexpr int32_t kDblClickDelayLabel = 1090;
inline constexpr int32_t kClickWidthTrackbar = 1091;
inline constexpr int32_t kClickWidthLabel = 1092;
inline constexpr int32_t kClickHeightTrackbar = 1093;
inline constexpr int32_t kClickHeightLabel = 1094;

// On-screen keyboards: the two layouts, the key images and the keys the code addresses by name
// (every key id is in the keyboard's key table).
inline constexpr int32_t kKeyboardDialog = 133;
inline constexpr int32_t kLargeKeyboardDialog = 134;
inline constexpr int32_t kArrowLeftBitmap = 134;
inline constexpr int32_t kArrowUpBitmap = 135;
inline constexpr int32_t kArrowRightBitmap = 136;
inline constexpr int32_t kArrowDownBitmap = 137;
inline constexpr int32_t kReturnBitmap = 138;
inline constexpr int32_t kKeyLeft = 1076;
inline constexpr int32_t kKeyUp = 1078;
inline constexpr int32_t kKeyDown = 1079;
inline constexpr int32_t kKeyRight = 1080;
inline constexpr int32_t kKeyReturn = 1096;
inline constexpr int32_t kKeyBackslash = 1069;
inline constexpr int32_t kKeyLess = 1056;
inline constexpr int32_t kKeyComma = 1057;
inline constexpr int32_t kKeyPeriod = 1058;

}  // namespace tavrel::resource_id
