#include "keyboard/virtual_keyboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/fake/fake_key_service.h"
#include "platform/fake/fake_window_service.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace tavrel {
namespace {

namespace id = resource_id;
using Events = std::vector<std::string>;

constexpr int32_t kShiftKey = 1033;
constexpr int32_t kCapsKey = 1034;
constexpr int32_t kAtKey = 1072;

// The main panel's window, as the keyboards' owner.
class OwnerPanel : public Dialog {
 public:
  explicit OwnerPanel(WindowService& windows) : Dialog(windows, resource_id::kPanelDialog) {}
};

class VirtualKeyboardTest : public ::testing::Test {
 protected:
  // Opens the keyboard, lets the script act on it, then closes it with its close box.
  void Open(VirtualKeyboard& keyboard, int32_t layout,
            const std::function<void(WindowHandle)>& script, WindowHandle owner = 0) {
    windows.scripts[layout] = [&](WindowHandle h) {
      script(h);
      windows.Close(h);
    };
    EXPECT_EQ(keyboard.Run(owner), kIdCancel);
  }
  std::string Caption(WindowHandle h, int32_t key) { return windows.ControlState(h, key).text; }

  FakeWindowService windows;
  FakeKeyService keys;
};

// The cases a user meets with Shift, Caps, held modifiers and "@", on a US layout unless the row
// says otherwise; captions are read after the last key.
TEST_F(VirtualKeyboardTest, KeysInjectTheirEventsAndKeepTheModifierState) {
  struct Row {
    const char* legend;
    std::function<void(FakeKeyService&)> before;
    std::vector<int32_t> clicks;
    Events events;
    std::map<int32_t, std::string> captions;
    bool shiftActive;
  };
  const auto capsLockOn = [](FakeKeyService& k) { k.capsLock = true; };
  const auto altGrAt = [](FakeKeyService& k) { k.UseAltGrAtLayout(); };
  const Row rows[] = {
      {"q plain", nullptr, {1027}, {"press 0x51", "release 0x51"}, {{1027, "q"}}, false},
      {"Shift: held, upper captions and the shifted punctuation",
       nullptr,
       {kShiftKey},
       {"press 0x10"},
       {{1027, "Q"}, {1069, "|"}, {1056, ">"}, {1057, ";"}, {1058, ":"}, {1073, "SPACE"}},
       true},
      {"Shift then q: released after the letter, captions lower again",
       nullptr,
       {kShiftKey, 1027},
       {"press 0x10", "press 0x51", "release 0x51", "release 0x10"},
       {{1027, "q"}, {1069, "\\"}},
       false},
      {"Shift twice",
       nullptr,
       {kShiftKey, kShiftKey},
       {"press 0x10", "release 0x10"},
       {{1055, "m"}, {1058, "."}},
       false},
      {"Shift while Caps Lock is on does nothing",
       capsLockOn,
       {kShiftKey},
       {},
       {{1027, "q"}},
       false},
      {"Shift already held elsewhere: captions only",
       [](FakeKeyService& k) { k.SetDown(vk::kShift, true); },
       {kShiftKey},
       {},
       {{1027, "Q"}},
       true},
      {"Shift then comma types the shifted caption",
       nullptr,
       {kShiftKey, 1057},
       {"press 0x10", "press 0xBA", "release 0xBA", "release 0x10"},
       {{1057, ","}},
       false},
      {"Caps on: letters upper, punctuation kept",
       nullptr,
       {kCapsKey},
       {"press 0x14", "release 0x14"},
       {{1027, "Q"}, {1056, "<"}, {1069, "\\"}},
       false},
      {"Caps on and off",
       nullptr,
       {kCapsKey, kCapsKey},
       {"press 0x14", "release 0x14", "press 0x14", "release 0x14"},
       {{1027, "q"}, {1056, "<"}},
       false},
      {"Caps on then Shift: Shift ignored",
       nullptr,
       {kCapsKey, kShiftKey},
       {"press 0x14", "release 0x14"},
       {{1027, "Q"}},
       false},
      {"Ctrl then c",
       nullptr,
       {1094, 1051},
       {"press 0x11", "press 0x43", "release 0x43", "release 0x11"},
       {},
       false},
      {"Ctrl then Left arrow keeps Ctrl down",
       nullptr,
       {1094, id::kKeyLeft},
       {"press 0x11", "press 0x25", "release 0x25"},
       {},
       false},
      {"AltGr then a letter",
       nullptr,
       {1097, 1039},
       {"press 0xA5", "press 0x41", "release 0x41", "release 0xA5"},
       {},
       false},
      {"ESC releases held Ctrl and Alt in order",
       nullptr,
       {1094, 1095, 1070},
       {"press 0x11", "press 0xA4", "press 0x1B", "release 0x1B", "release 0x11", "release 0xA4"},
       {},
       false},
      {"SPACE releases a held AltGr",
       nullptr,
       {1097, 1073},
       {"press 0xA5", "press 0x20", "release 0x20", "release 0xA5"},
       {},
       false},
      {"F5", nullptr, {1085}, {"press 0x74", "release 0x74"}, {}, false},
      {"@ on a Shift layout: Shift around its key",
       nullptr,
       {kAtKey},
       {"press 0x10", "press 0x32", "release 0x32", "release 0x10"},
       {},
       false},
      {"@ on a Shift layout with the one-shot Shift: kept on",
       nullptr,
       {kShiftKey, kAtKey},
       {"press 0x10", "press 0x32", "release 0x32"},
       {{1027, "Q"}},
       true},
      {"@ on a right-Alt layout",
       altGrAt,
       {kAtKey},
       {"press 0xA5", "press 0x51", "release 0x51", "release 0xA5"},
       {},
       false},
      {"@ on a right-Alt layout with the one-shot Shift: lifted around it, kept on",
       altGrAt,
       {kShiftKey, kAtKey},
       {"press 0x10", "release 0x10", "press 0xA5", "press 0x51", "release 0x51", "release 0xA5",
        "press 0x10"},
       {{1027, "Q"}},
       true},
      {"@ keeps a held Ctrl",
       nullptr,
       {1094, kAtKey},
       {"press 0x11", "press 0x10", "press 0x32", "release 0x32", "release 0x10"},
       {},
       false},
      {"a character the layout cannot type: its lookup's low byte",
       [](FakeKeyService& k) { k.layout.erase('Q'); },
       {1027},
       {"press 0xFF", "release 0xFF"},
       {},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeWindowService rowWindows;
    FakeKeyService rowKeys;
    if (row.before) row.before(rowKeys);
    VirtualKeyboard keyboard(rowWindows, rowKeys, id::kKeyboardDialog);
    rowWindows.scripts[id::kKeyboardDialog] = [&](WindowHandle h) {
      for (int32_t key : row.clicks) rowWindows.Command(h, key);
      for (const auto& [key, caption] : row.captions) {
        EXPECT_EQ(rowWindows.ControlState(h, key).text, caption) << key;
      }
      rowWindows.Close(h);
    };
    keyboard.Run(0);
    EXPECT_EQ(rowKeys.events, row.events);
    EXPECT_EQ(keyboard.ShiftActive(), row.shiftActive);
  }
}

TEST_F(VirtualKeyboardTest, EveryKeyRunsItsActionWithItsCode) {
  struct Row {
    int32_t id;
    Events events;
  };
  const auto tap = [](const char* code) -> Events {
    return {std::string("press ") + code, std::string("release ") + code};
  };
  const Row rows[] = {
      {1070, tap("0x1B")},
      {1092, tap("0x70")},
      {1082, tap("0x71")},
      {1083, tap("0x72")},
      {1084, tap("0x73")},
      {1085, tap("0x74")},
      {1086, tap("0x75")},
      {1087, tap("0x76")},
      {1088, tap("0x77")},
      {1089, tap("0x78")},
      {1090, tap("0x79")},
      {1091, tap("0x7A")},
      {1093, tap("0x7B")},
      {1069, tap("0xDC")},
      {1059, tap("0x31")},
      {1060, tap("0x32")},
      {1061, tap("0x33")},
      {1062, tap("0x34")},
      {1063, tap("0x35")},
      {1064, tap("0x36")},
      {1065, tap("0x37")},
      {1066, tap("0x38")},
      {1067, tap("0x39")},
      {1068, tap("0x30")},
      {1071, tap("0x08")},
      {1048, tap("0x09")},
      {1027, tap("0x51")},
      {1028, tap("0x57")},
      {1029, tap("0x45")},
      {1030, tap("0x52")},
      {1031, tap("0x54")},
      {1032, tap("0x59")},
      {1035, tap("0x55")},
      {1036, tap("0x49")},
      {1037, tap("0x4F")},
      {1038, tap("0x50")},
      {1072, {"press 0x10", "press 0x32", "release 0x32", "release 0x10"}},
      {1034, tap("0x14")},
      {1039, tap("0x41")},
      {1040, tap("0x53")},
      {1041, tap("0x44")},
      {1042, tap("0x46")},
      {1043, tap("0x47")},
      {1044, tap("0x48")},
      {1045, tap("0x4A")},
      {1046, tap("0x4B")},
      {1047, tap("0x4C")},
      {1074, tap("0x2D")},
      {1075, tap("0x2E")},
      {1033, {"press 0x10"}},
      {1056, tap("0xBC")},
      {1049, tap("0x5A")},
      {1050, tap("0x58")},
      {1051, tap("0x43")},
      {1052, tap("0x56")},
      {1053, tap("0x42")},
      {1054, tap("0x4E")},
      {1055, tap("0x4D")},
      {1057, tap("0xBC")},
      {1058, tap("0xBE")},
      {1096, tap("0x0D")},
      {1094, {"press 0x11"}},
      {1095, {"press 0xA4"}},
      {1073, tap("0x20")},
      {1097, {"press 0xA5"}},
      {1076, tap("0x25")},
      {1078, tap("0x26")},
      {1079, tap("0x28")},
      {1080, tap("0x27")},
      {1077, tap("0x21")},
      {1081, tap("0x22")},
  };
  // "<" is Shift and the comma key on the US layout; unshifted here, as only the low byte counts.
  ASSERT_EQ(std::size(rows), 71u);
  for (int32_t layout : {id::kKeyboardDialog, id::kLargeKeyboardDialog}) {
    const resources::DialogTemplate* dialog = resources::FindDialog(layout);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->controls.size(), std::size(rows));
    for (const Row& row : rows) {
      SCOPED_TRACE(std::to_string(layout) + " key " + std::to_string(row.id));
      EXPECT_TRUE(std::any_of(dialog->controls.begin(), dialog->controls.end(),
                              [&](const auto& control) { return control.id == row.id; }));
      FakeKeyService rowKeys;
      VirtualKeyboard keyboard(windows, rowKeys, layout);
      Open(keyboard, layout, [&](WindowHandle h) { windows.Command(h, row.id); });
      EXPECT_EQ(rowKeys.events, row.events);
    }
  }
}

TEST_F(VirtualKeyboardTest, ReopenedKeyboardShowsTemplateCaptionsAndItsImagesWhileShiftStaysOn) {
  VirtualKeyboard keyboard(windows, keys, id::kLargeKeyboardDialog);
  Open(keyboard, id::kLargeKeyboardDialog, [&](WindowHandle h) {
    windows.Command(h, kShiftKey);
    EXPECT_EQ(Caption(h, 1044), "H");
  });
  EXPECT_EQ(keys.events, Events{"press 0x10"}) << "closing injects and releases nothing";
  Open(keyboard, id::kLargeKeyboardDialog, [&](WindowHandle h) {
    EXPECT_EQ(Caption(h, 1044), "h");
    EXPECT_EQ(Caption(h, 1069), "\\");
    const std::pair<int32_t, int32_t> images[] = {{id::kKeyLeft, 134},
                                                  {id::kKeyUp, 135},
                                                  {id::kKeyDown, 137},
                                                  {id::kKeyRight, 136},
                                                  {id::kKeyReturn, 138}};
    for (const auto& [key, bitmap] : images) {
      EXPECT_EQ(windows.ButtonImage(windows.Control(h, key)), static_cast<ImageHandle>(bitmap));
    }
    // The one-shot Shift is still on: the next letter ends it.
    windows.Command(h, 1044);
    EXPECT_EQ(Caption(h, 1044), "h");
  });
  EXPECT_FALSE(keyboard.ShiftActive());
  EXPECT_FALSE(keys.IsDown(vk::kShift));
  const auto log = windows.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "bitmap 138"), 1) << "images loaded once";
}

// Where each layout opens: bottom centre of the monitor, above the panel when that is in the way,
// and whole on the monitor.
TEST_F(VirtualKeyboardTest, OpensAtTheBottomCentreClearOfThePanel) {
  struct Row {
    const char* legend;
    ScreenRect desktop;
    int32_t layout;
    int32_t panelX, panelY;
    std::string placed;
  };
  const Row rows[] = {
      {"normal on 1024 x 768",
       {0, 0, 1024, 768},
       id::kKeyboardDialog,
       948,
       651,
       "place 133 331,578 topmost"},
      {"LARGE on 1024 x 768",
       {0, 0, 1024, 768},
       id::kLargeKeyboardDialog,
       948,
       651,
       "place 134 234,495 topmost"},
      {"LARGE over the panel on 640 x 480: above it",
       {0, 0, 640, 480},
       id::kLargeKeyboardDialog,
       564,
       363,
       "place 134 42,136 topmost"},
      {"monitor not at the origin",
       {1024, 0, 2048, 768},
       id::kKeyboardDialog,
       10,
       10,
       "place 133 1355,578 topmost"},
      {"monitor smaller than the keyboard: its top-left corner",
       {0, 0, 400, 260},
       id::kLargeKeyboardDialog,
       0,
       0,
       "place 134 0,0 topmost"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeWindowService rowWindows;
    rowWindows.desktop = row.desktop;
    VirtualKeyboard keyboard(rowWindows, keys, row.layout);
    rowWindows.scripts[id::kPanelDialog] = [&](WindowHandle panel) {
      rowWindows.Place(panel, ZOrder::kTopmost, row.panelX, row.panelY);
      rowWindows.scripts[row.layout] = [&](WindowHandle h) { rowWindows.Close(h); };
      keyboard.Run(panel);
      rowWindows.Close(panel);
    };
    OwnerPanel panel(rowWindows);
    panel.DoModal(0);
    const auto log = rowWindows.Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), row.placed), 1) << ::testing::PrintToString(log);
  }
}

}  // namespace
}  // namespace tavrel
