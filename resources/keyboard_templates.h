#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

// The keys of the two on-screen keyboard layouts: the same 71 keys with the same ids, captions
// and actions, row by row from the top, each row from the left; only their boxes differ.
namespace tavrel::resources::keyboard_layout {

// What a key does when pressed: type a character, press a named key (its code), type the first
// letter of its caption as it stands (the case-dependent punctuation), or toggle Shift or Caps
// Lock.
enum class KeyAction { kCharacter, kNamed, kCaption, kShift, kCaps };

struct Key {
  int32_t id;
  std::string_view caption;
  KeyAction action;
  // The character or named-key code. The letter keys pass their upper-case letter: its virtual
  // key is the same for both cases, and the system's Shift and Caps Lock decide the case.
  int32_t code;
  int32_t imageId = 0;  // shown instead of the caption
};

inline constexpr size_t kKeyCount = 71;
inline constexpr std::array<size_t, 6> kRowLengths = {13, 12, 12, 12, 12, 10};

inline constexpr std::array<Key, kKeyCount> kKeys = {{
    {1070, "ESC", KeyAction::kCharacter, 0x1B},
    {1092, "F1", KeyAction::kNamed, 112},
    {1082, "F2", KeyAction::kNamed, 113},
    {1083, "F3", KeyAction::kNamed, 114},
    {1084, "F4", KeyAction::kNamed, 115},
    {1085, "F5", KeyAction::kNamed, 116},
    {1086, "F6", KeyAction::kNamed, 117},
    {1087, "F7", KeyAction::kNamed, 118},
    {1088, "F8", KeyAction::kNamed, 119},
    {1089, "F9", KeyAction::kNamed, 120},
    {1090, "F10", KeyAction::kNamed, 121},
    {1091, "F11", KeyAction::kNamed, 122},
    {1093, "F12", KeyAction::kNamed, 123},
    {1069, "\\", KeyAction::kCaption, 0},
    {1059, "1", KeyAction::kCaption, 0},
    {1060, "2", KeyAction::kCaption, 0},
    {1061, "3", KeyAction::kCaption, 0},
    {1062, "4", KeyAction::kCaption, 0},
    {1063, "5", KeyAction::kCaption, 0},
    {1064, "6", KeyAction::kCaption, 0},
    {1065, "7", KeyAction::kCaption, 0},
    {1066, "8", KeyAction::kCaption, 0},
    {1067, "9", KeyAction::kCaption, 0},
    {1068, "0", KeyAction::kCaption, 0},
    {1071, "Back", KeyAction::kNamed, 6},
    {1048, "Tab", KeyAction::kNamed, 2},
    {1027, "q", KeyAction::kCharacter, 'Q'},
    {1028, "w", KeyAction::kCharacter, 'W'},
    {1029, "e", KeyAction::kCharacter, 'E'},
    {1030, "r", KeyAction::kCharacter, 'R'},
    {1031, "t", KeyAction::kCharacter, 'T'},
    {1032, "y", KeyAction::kCharacter, 'Y'},
    {1035, "u", KeyAction::kCharacter, 'U'},
    {1036, "i", KeyAction::kCharacter, 'I'},
    {1037, "o", KeyAction::kCharacter, 'O'},
    {1038, "p", KeyAction::kCharacter, 'P'},
    {1072, "@", KeyAction::kCaption, 0},
    {1034, "Caps", KeyAction::kCaps, 0},
    {1039, "a", KeyAction::kCharacter, 'A'},
    {1040, "s", KeyAction::kCharacter, 'S'},
    {1041, "d", KeyAction::kCharacter, 'D'},
    {1042, "f", KeyAction::kCharacter, 'F'},
    {1043, "g", KeyAction::kCharacter, 'G'},
    {1044, "h", KeyAction::kCharacter, 'H'},
    {1045, "j", KeyAction::kCharacter, 'J'},
    {1046, "k", KeyAction::kCharacter, 'K'},
    {1047, "l", KeyAction::kCharacter, 'L'},
    {1074, "Ins", KeyAction::kNamed, 19},
    {1075, "Del", KeyAction::kNamed, 20},
    {1033, "Shift", KeyAction::kShift, 0},
    {1056, "<", KeyAction::kCaption, 0},
    {1049, "z", KeyAction::kCharacter, 'Z'},
    {1050, "x", KeyAction::kCharacter, 'X'},
    {1051, "c", KeyAction::kCharacter, 'C'},
    {1052, "v", KeyAction::kCharacter, 'V'},
    {1053, "b", KeyAction::kCharacter, 'B'},
    {1054, "n", KeyAction::kCharacter, 'N'},
    {1055, "m", KeyAction::kCharacter, 'M'},
    {1057, ",", KeyAction::kCaption, 0},
    {1058, ".", KeyAction::kCaption, 0},
    {resource_id::kKeyReturn, "Return", KeyAction::kNamed, 7, resource_id::kReturnBitmap},
    {1094, "Ctrl", KeyAction::kNamed, 5},
    {1095, "Alt", KeyAction::kNamed, 8},
    {1073, "SPACE", KeyAction::kCharacter, 0x20},
    {1097, "AltGR", KeyAction::kNamed, 22},
    {resource_id::kKeyLeft, "left", KeyAction::kNamed, 10, resource_id::kArrowLeftBitmap},
    {resource_id::kKeyUp, "left", KeyAction::kNamed, 12, resource_id::kArrowUpBitmap},
    {resource_id::kKeyDown, "left", KeyAction::kNamed, 13, resource_id::kArrowDownBitmap},
    {resource_id::kKeyRight, "left", KeyAction::kNamed, 11, resource_id::kArrowRightBitmap},
    {1077, "PgUp", KeyAction::kNamed, 15},
    {1081, "PgDown", KeyAction::kNamed, 16},
}};

inline constexpr size_t kImageKeyCount = static_cast<size_t>(
    std::ranges::count_if(kKeys, [](const Key& key) { return key.imageId != 0; }));

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
      const Key& face = kKeys[key];
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
