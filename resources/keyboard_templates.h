#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

// The keys of the two on-screen keyboard layouts: the same 71 keys with the same ids and captions,
// row by row from the top, each row from the left; only their boxes differ.
namespace tavrel::resources::keyboard_layout {

struct KeyFace {
  int32_t id;
  std::string_view caption;
  int32_t imageId = 0;  // shown instead of the caption
};

inline constexpr size_t kKeyCount = 71;
inline constexpr std::array<size_t, 6> kRowLengths = {13, 12, 12, 12, 12, 10};

inline constexpr std::array<KeyFace, kKeyCount> kFaces = {{
    {1070, "ESC"},
    {1092, "F1"},
    {1082, "F2"},
    {1083, "F3"},
    {1084, "F4"},
    {1085, "F5"},
    {1086, "F6"},
    {1087, "F7"},
    {1088, "F8"},
    {1089, "F9"},
    {1090, "F10"},
    {1091, "F11"},
    {1093, "F12"},
    {1069, "\\"},
    {1059, "1"},
    {1060, "2"},
    {1061, "3"},
    {1062, "4"},
    {1063, "5"},
    {1064, "6"},
    {1065, "7"},
    {1066, "8"},
    {1067, "9"},
    {1068, "0"},
    {1071, "Back"},
    {1048, "Tab"},
    {1027, "q"},
    {1028, "w"},
    {1029, "e"},
    {1030, "r"},
    {1031, "t"},
    {1032, "y"},
    {1035, "u"},
    {1036, "i"},
    {1037, "o"},
    {1038, "p"},
    {1072, "@"},
    {1034, "Caps"},
    {1039, "a"},
    {1040, "s"},
    {1041, "d"},
    {1042, "f"},
    {1043, "g"},
    {1044, "h"},
    {1045, "j"},
    {1046, "k"},
    {1047, "l"},
    {1074, "Ins"},
    {1075, "Del"},
    {1033, "Shift"},
    {1056, "<"},
    {1049, "z"},
    {1050, "x"},
    {1051, "c"},
    {1052, "v"},
    {1053, "b"},
    {1054, "n"},
    {1055, "m"},
    {1057, ","},
    {1058, "."},
    {resource_id::kKeyReturn, "Return", resource_id::kReturnBitmap},
    {1094, "Ctrl"},
    {1095, "Alt"},
    {1073, "SPACE"},
    {1097, "AltGR"},
    {resource_id::kKeyLeft, "left", resource_id::kArrowLeftBitmap},
    {resource_id::kKeyUp, "left", resource_id::kArrowUpBitmap},
    {resource_id::kKeyDown, "left", resource_id::kArrowDownBitmap},
    {resource_id::kKeyRight, "left", resource_id::kArrowRightBitmap},
    {1077, "PgUp"},
    {1081, "PgDown"},
}};

// A row's top and height, and each key's left and width, in dialog units.
struct Row {
  int32_t y, cy;
};
struct Span {
  int32_t x, cx;
};

inline constexpr std::array<Row, 6> kNormalRows = {
    {{2, 12}, {16, 12}, {30, 12}, {44, 12}, {58, 12}, {72, 12}}};
inline constexpr std::array<Span, kKeyCount> kNormalSpans = {{
    {2, 20},   {22, 18},  {40, 18},  {58, 18},  {76, 18},  {94, 18},  {112, 18}, {130, 18},
    {148, 18}, {166, 18}, {184, 18}, {202, 18}, {220, 18}, {2, 20},   {23, 18},  {41, 18},
    {59, 18},  {77, 18},  {95, 18},  {113, 18}, {131, 18}, {149, 18}, {167, 18}, {185, 18},
    {203, 35}, {2, 38},   {40, 18},  {58, 18},  {76, 18},  {94, 18},  {112, 18}, {130, 18},
    {148, 18}, {166, 18}, {184, 18}, {202, 18}, {220, 18}, {2, 38},   {40, 18},  {58, 18},
    {76, 18},  {94, 18},  {112, 18}, {130, 18}, {148, 18}, {166, 18}, {184, 18}, {202, 18},
    {220, 18}, {2, 24},   {26, 18},  {44, 18},  {62, 18},  {80, 18},  {98, 18},  {116, 18},
    {134, 18}, {152, 18}, {170, 18}, {188, 18}, {206, 32}, {2, 17},   {19, 18},  {37, 41},
    {78, 24},  {102, 18}, {120, 18}, {138, 18}, {156, 18}, {174, 32}, {206, 32},
}};

inline constexpr std::array<Row, 6> kLargeRows = {
    {{1, 20}, {24, 20}, {47, 20}, {70, 20}, {93, 20}, {116, 20}}};
inline constexpr std::array<Span, kKeyCount> kLargeSpans = {{
    {1, 32},   {33, 28},  {61, 28},  {89, 28},  {117, 28}, {145, 28}, {173, 28}, {201, 28},
    {229, 28}, {257, 28}, {285, 28}, {313, 28}, {341, 28}, {1, 32},   {33, 30},  {63, 30},
    {93, 30},  {123, 30}, {153, 30}, {183, 30}, {213, 30}, {243, 30}, {273, 30}, {303, 30},
    {333, 36}, {1, 38},   {40, 29},  {70, 29},  {100, 29}, {130, 29}, {160, 29}, {190, 29},
    {220, 29}, {250, 29}, {280, 29}, {310, 29}, {340, 29}, {1, 38},   {40, 29},  {70, 29},
    {100, 29}, {130, 29}, {160, 29}, {190, 29}, {220, 29}, {250, 29}, {280, 29}, {310, 29},
    {340, 29}, {1, 32},   {33, 29},  {63, 29},  {93, 29},  {123, 29}, {153, 29}, {183, 29},
    {213, 29}, {243, 29}, {273, 29}, {303, 29}, {333, 36}, {1, 29},   {31, 29},  {61, 82},
    {144, 29}, {174, 29}, {204, 29}, {234, 29}, {264, 29}, {294, 37}, {332, 37},
}};

// Push buttons that can be tabbed to; image keys are bitmap buttons.
inline constexpr uint32_t kKeyStyle = 0x50010000;
inline constexpr uint32_t kImageKeyStyle = kKeyStyle | 0x80;

constexpr std::array<ControlTemplate, kKeyCount> Keys(const std::array<Row, 6>& rows,
                                                      const std::array<Span, kKeyCount>& spans) {
  std::array<ControlTemplate, kKeyCount> keys{};
  size_t key = 0;
  for (size_t row = 0; row < rows.size(); ++row) {
    for (size_t n = 0; n < kRowLengths[row]; ++n, ++key) {
      const KeyFace& face = kFaces[key];
      const bool image = face.imageId != 0;
      keys[key] = {face.id,      image ? ControlKind::kBitmapButton : ControlKind::kPushButton,
                   face.caption, spans[key].x,
                   rows[row].y,  spans[key].cx,
                   rows[row].cy, image ? kImageKeyStyle : kKeyStyle,
                   face.imageId};
    }
  }
  return keys;
}

inline constexpr auto kNormalKeys = Keys(kNormalRows, kNormalSpans);
inline constexpr auto kLargeKeys = Keys(kLargeRows, kLargeSpans);

// A captioned popup with a close box, created visible and topmost; a tool window that never
// takes the keyboard focus.
inline constexpr uint32_t kKeyboardStyle = 0x90C800C2;
inline constexpr uint32_t kKeyboardExStyle = 0x08000080;

}  // namespace tavrel::resources::keyboard_layout
