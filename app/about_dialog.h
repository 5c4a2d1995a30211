#pragma once

#include "dialogs/dialog.h"
#include "resources/resource_ids.h"

namespace tavrel {

// The About box: the program's icon, name and version, and an OK button; no logic of its own.
class AboutDialog : public Dialog {
 public:
  explicit AboutDialog(WindowService& windows) : Dialog(windows, resource_id::kAboutDialog) {}
};

}  // namespace tavrel
