#pragma once

#include "dialogs/dialog.h"
#include "resources/resource_ids.h"

namespace tavrel {

// The About box: the program's icon, name and version, and an OK button; no logic of its own.
class AboutDialog : public Dialog {
 public:
  explicit AboutDialog(WindowService& windows) : Dialog(windows, resource_id::kAboutDialog) {}

 protected:
  // The template puts the box at its owner's corner, which is the panel's at the bottom right:
  // partly off the screen, its OK button under the always-on-top panel. Centred and topmost, it
  // is whole and above the panel on any desktop.
  int32_t OnInitDialog() override {
    const ScreenRect desktop = windows_.DesktopRect();
    const ScreenRect box = windows_.WindowRect(Window());
    windows_.Place(Window(), ZOrder::kTopmost,
                   desktop.left + (desktop.right - desktop.left - (box.right - box.left)) / 2,
                   desktop.top + (desktop.bottom - desktop.top - (box.bottom - box.top)) / 2);
    return 1;
  }
};

}  // namespace tavrel
