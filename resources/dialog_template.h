#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tavrel::resources {

// Window styles as dialog templates store them; the window layer maps them to its own flags.
namespace style {
inline constexpr uint32_t kPopup = 0x80000000;
inline constexpr uint32_t kVisible = 0x10000000;
inline constexpr uint32_t kDisabled = 0x08000000;
inline constexpr uint32_t kCaption = 0x00C00000;
inline constexpr uint32_t kSysMenu = 0x00080000;
inline constexpr uint32_t kTabStop = 0x00010000;
inline constexpr uint32_t kCenter = 0x00000800;  // centred on the screen when shown
inline constexpr uint32_t kModalFrame = 0x00000080;
inline constexpr uint32_t kSetFont = 0x00000040;
inline constexpr uint32_t kSysModal = 0x00000002;  // created topmost
}  // namespace style

// The id of controls that are never addressed.
inline constexpr int32_t kStaticId = -1;

enum class ControlKind {
  kPushButton,
  kDefaultButton,
  kBitmapButton,  // shows an image instead of its text
  kStaticText,
  kCenteredText,
  kBitmapPicture,  // takes the size of its bitmap
  kIconPicture,
  kTrackbar,
  kCheckBox,
  kGroupBox,
};

// Positions and sizes are in dialog units.
struct ControlTemplate {
  int32_t id;
  ControlKind kind;
  std::string_view text;
  int32_t x, y, cx, cy;
  uint32_t style;
  int32_t imageId = 0;  // bitmap or icon resource for pictures and bitmap buttons
};

struct DialogTemplate {
  int32_t id;
  std::string_view caption;
  std::string_view fontFace;
  int32_t pointSize;
  int32_t x, y, cx, cy;
  uint32_t style;
  uint32_t exStyle;
  std::span<const ControlTemplate> controls;

  bool Has(uint32_t bits) const { return (style & bits) == bits; }
};

// The template with that id, or null.
const DialogTemplate* FindDialog(int32_t id);

// Dialog units to pixels with the base units of the templates' 8-point font at 96 dpi (6 x 13
// pixels per 4 x 8 units), rounded half up as the desktop's own conversion does.
inline int32_t DluToPixelsX(int32_t dlu) { return (dlu * 6 + (dlu >= 0 ? 2 : -2)) / 4; }
inline int32_t DluToPixelsY(int32_t dlu) { return (dlu * 13 + (dlu >= 0 ? 4 : -4)) / 8; }

// How far above the desktop's bottom edge the panel stands, clear of a taskbar there; the
// keyboard opens at the same height.
inline constexpr int32_t kPanelBottomMargin = 50;

}  // namespace tavrel::resources
