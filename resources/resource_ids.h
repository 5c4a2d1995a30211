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

}  // namespace tavrel::resource_id
