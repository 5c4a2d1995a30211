#pragma once

#include <cstdint>
#include <string>

namespace tavrel {

// One item of a popup menu, as the menu resources hold it and the window layer shows it; id 0 is
// a separator.
struct MenuEntry {
  int32_t id = 0;
  std::string text;
  bool checked = false;
  bool operator==(const MenuEntry&) const = default;
};

}  // namespace tavrel
