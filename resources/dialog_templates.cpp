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

constexpr std::array kDialogs = {
    DialogTemplate{id::kAboutDialog, "About Tavrel", "MS Sans Serif", 8, 0, 0, 235, 55, 0x80C800C0,
                   0, kAboutControls},
    DialogTemplate{id::kPanelDialog, "", "MS Sans Serif", 8, 0, 0, 44, 41, 0x90000042, 0x08040000,
                   kPanelControls},
    DialogTemplate{id::kKeyboardDialog, "", "MS Sans Serif", 8, 0, 0, 241, 86,
                   keyboard_layout::kKeyboardStyle, keyboard_layout::kKeyboardExStyle,
                   keyboard_layout::kNormalKeys},
    DialogTemplate{id::kLargeKeyboardDialog, "Morvane Virtual Keyboard LARGE", "MS Sans Serif", 8,
                   0, 0, 370, 137, keyboard_layout::kKeyboardStyle,
                   keyboard_layout::kKeyboardExStyle, keyboard_layout::kLargeKeys},
};

}  // namespace

const DialogTemplate* FindDialog(int32_t dialogId) {
  for (const auto& dialog : kDialogs) {
    if (dialog.id == dialogId) return &dialog;
  }
  return nullptr;
}

}  // namespace tavrel::resources
