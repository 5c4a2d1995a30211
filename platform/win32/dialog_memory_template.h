#pragma once

#include <cstdint>
#include <vector>

#include "resources/dialog_template.h"

namespace tavrel {

// The window class atoms of the dialog manager's predefined controls.
inline constexpr uint16_t kButtonAtom = 0x0080;
inline constexpr uint16_t kStaticAtom = 0x0082;

// The in-memory dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs, 16-bit units, items
// DWORD-aligned) that the dialog manager builds the window from. Each control's style gets the
// type bits its kind stands for when the table leaves them out.
std::vector<uint16_t> BuildDialogTemplate(const resources::DialogTemplate& dialog);

// The window style a control of that kind is created with.
uint32_t ControlStyle(const resources::ControlTemplate& control);

}  // namespace tavrel
