#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "resources/menu_entry.h"

namespace tavrel::resources {

// The items of the popup at that position of the menu resource, with the check marks the resource
// sets; nothing when the menu or the popup does not exist.
std::optional<std::vector<MenuEntry>> LoadMenuPopup(int32_t menuId, int32_t position);

// The string resource, or an empty text when there is none.
std::string_view LoadString(int32_t stringId);

}  // namespace tavrel::resources
