#include "resources/menus_strings.h"

#include <array>
#include <span>

#include "resources/resource_ids.h"

namespace tavrel::resources {

namespace {

namespace id = resource_id;

struct ItemTemplate {
  int32_t id;  // 0 for a separator
  std::string_view text;
  bool checked;
};

struct PopupTemplate {
  std::string_view name;
  std::span<const ItemTemplate> items;
};

struct MenuTemplate {
  int32_t id;
  std::span<const PopupTemplate> popups;
};

constexpr std::array kTrayBarItems = {
    ItemTemplate{id::kShowOnTopCommand, "Show on top", true},
    ItemTemplate{id::kShowWindowCommand, "Show window", false},
    ItemTemplate{id::kShowKeyboardCommand, "Show keyboard", false},
    ItemTemplate{id::kShowLargeKeyboardCommand, "Show Keyboard LARGE", false},
    ItemTemplate{0, "", false},
    ItemTemplate{id::kCalibrationCommand, "Calibration", false},
    ItemTemplate{id::kSetupCommand, "Setup", false},
    ItemTemplate{0, "", false},
    ItemTemplate{id::kCloseCommand, "Close", false},
};

constexpr std::array kTrayPopups = {PopupTemplate{"TrayBar", kTrayBarItems}};
constexpr std::array kMenus = {MenuTemplate{id::kTrayMenu, kTrayPopups}};

struct StringTemplate {
  int32_t id;
  std::string_view text;
};

constexpr std::array kStrings = {StringTemplate{id::kAboutString, "&About Tavrel..."}};

}  // namespace

std::optional<std::vector<MenuEntry>> LoadMenuPopup(int32_t menuId, int32_t position) {
  for (const auto& menu : kMenus) {
    if (menu.id != menuId) continue;
    if (position < 0 || static_cast<size_t>(position) >= menu.popups.size()) return std::nullopt;
    std::vector<MenuEntry> entries;
    for (const auto& item : menu.popups[position].items) {
      entries.push_back({item.id, std::string(item.text), item.checked});
    }
    return entries;
  }
  return std::nullopt;
}

std::string_view LoadString(int32_t stringId) {
  for (const auto& entry : kStrings) {
    if (entry.id == stringId) return entry.text;
  }
  return {};
}

}  // namespace tavrel::resources
