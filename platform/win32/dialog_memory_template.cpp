#include "platform/win32/dialog_memory_template.h"

#include <string_view>

namespace tavrel {

namespace {

using resources::ControlKind;

constexpr uint32_t kTypeMask = 0x1F;  // BS_TYPEMASK, SS_TYPEMASK
constexpr uint32_t kDefPushButton = 0x1;
constexpr uint32_t kAutoCheckBox = 0x3;
constexpr uint32_t kGroupBox = 0x7;
constexpr uint32_t kBitmapStyle = 0x80;  // BS_BITMAP
constexpr uint32_t kStaticCenter = 0x1;
constexpr uint32_t kStaticIcon = 0x3;
constexpr uint32_t kStaticBitmap = 0xE;
constexpr std::u16string_view kTrackbarClass = u"msctls_trackbar32";

void PutDword(std::vector<uint16_t>& out, uint32_t value) {
  out.push_back(static_cast<uint16_t>(value & 0xFFFF));
  out.push_back(static_cast<uint16_t>(value >> 16));
}

void PutShort(std::vector<uint16_t>& out, int32_t value) {
  out.push_back(static_cast<uint16_t>(value & 0xFFFF));
}

// The templates' texts are ASCII; each character becomes one UTF-16 unit.
void PutText(std::vector<uint16_t>& out, std::string_view text) {
  for (char c : text) out.push_back(static_cast<uint8_t>(c));
  out.push_back(0);
}

void AlignDword(std::vector<uint16_t>& out) {
  if (out.size() % 2 != 0) out.push_back(0);
}

void PutClass(std::vector<uint16_t>& out, ControlKind kind) {
  switch (kind) {
    case ControlKind::kTrackbar:
      out.insert(out.end(), kTrackbarClass.begin(), kTrackbarClass.end());
      out.push_back(0);
      return;
    case ControlKind::kStaticText:
    case ControlKind::kCenteredText:
    case ControlKind::kBitmapPicture:
    case ControlKind::kIconPicture:
      out.push_back(0xFFFF);
      out.push_back(kStaticAtom);
      return;
    case ControlKind::kPushButton:
    case ControlKind::kDefaultButton:
    case ControlKind::kBitmapButton:
    case ControlKind::kCheckBox:
    case ControlKind::kGroupBox:
      break;
  }
  out.push_back(0xFFFF);
  out.push_back(kButtonAtom);
}

uint32_t TypeBits(ControlKind kind) {
  switch (kind) {
    case ControlKind::kDefaultButton:
      return kDefPushButton;
    case ControlKind::kCheckBox:
      return kAutoCheckBox;
    case ControlKind::kGroupBox:
      return kGroupBox;
    case ControlKind::kCenteredText:
      return kStaticCenter;
    case ControlKind::kIconPicture:
      return kStaticIcon;
    case ControlKind::kBitmapPicture:
      return kStaticBitmap;
    case ControlKind::kPushButton:
    case ControlKind::kBitmapButton:
    case ControlKind::kStaticText:
    case ControlKind::kTrackbar:
      break;
  }
  return 0;
}

}  // namespace

uint32_t ControlStyle(const resources::ControlTemplate& control) {
  uint32_t style = control.style;
  if (control.kind != ControlKind::kTrackbar && (style & kTypeMask) == 0) {
    style |= TypeBits(control.kind);
  }
  if (control.kind == ControlKind::kBitmapButton) style |= kBitmapStyle;
  return style;
}

std::vector<uint16_t> BuildDialogTemplate(const resources::DialogTemplate& dialog) {
  std::vector<uint16_t> out;
  PutDword(out, dialog.style | resources::style::kSetFont);
  PutDword(out, dialog.exStyle);
  out.push_back(static_cast<uint16_t>(dialog.controls.size()));
  for (int32_t value : {dialog.x, dialog.y, dialog.cx, dialog.cy}) PutShort(out, value);
  out.push_back(0);  // no menu
  out.push_back(0);  // the dialog manager's own class
  PutText(out, dialog.caption);
  PutShort(out, dialog.pointSize);
  PutText(out, dialog.fontFace);
  for (const auto& control : dialog.controls) {
    AlignDword(out);
    PutDword(out, ControlStyle(control));
    PutDword(out, 0);
    for (int32_t value : {control.x, control.y, control.cx, control.cy}) PutShort(out, value);
    PutShort(out, control.id);
    PutClass(out, control.kind);
    PutText(out, control.text);
    out.push_back(0);  // no creation data
  }
  return out;
}

}  // namespace tavrel
