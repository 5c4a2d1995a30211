#include "keyboard/virtual_keyboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "resources/dialog_template.h"
#include "resources/keyboard_templates.h"
#include "resources/resource_ids.h"
#include "testing/fake_key_service.h"
#include "testing/fake_window_service.h"

namespace tavrel {
namespace {

namespace id = resource_id;

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

// The cases a user meets with Shift, Caps, held modifiers and "@"; captions are read after the
// last key. Events: "+" press, "-" release, virtual keys in hex.
TEST_F(VirtualKeyboardTest, KeysInjectTheirEventsAndKeepTheModifierState) {
  enum class Start { kUs, kCapsLockOn, kShiftHeld, kAltGrAt, kNoQ };
  struct Row {
    const char* legend;
    Start start;
    std::vector<int32_t> clicks;
    std::string events;
    std::map<int32_t, std::string> captions;
    bool shiftActive;
  };
  using enum Start;
  const Row rows[] = {
      {"q plain", kUs, {1027}, "+51 -51", {{1027, "q"}}, false},
      {"Shift: held, upper captions and the shifted punctuation",
       kUs,
       {kShiftKey},
       "+10",
       {{1027, "Q"}, {1069, "|"}, {1056, ">"}, {1057, ";"}, {1058, ":"}, {1073, "SPACE"}},
       true},
      {"Shift then q: released after it, captions lower",
       kUs,
       {kShiftKey, 1027},
       "+10 +51 -51 -10",
       {{1027, "q"}, {1069, "\\"}},
       false},
      {"Shift twice", kUs, {kShiftKey, kShiftKey}, "+10 -10", {{1055, "m"}, {1058, "."}}, false},
      {"Shift while Caps Lock is on does nothing",
       kCapsLockOn,
       {kShiftKey},
       "",
       {{1027, "q"}},
       false},
      {"Shift already held elsewhere: captions only",
       kShiftHeld,
       {kShiftKey},
       "",
       {{1027, "Q"}},
       true},
      {"Shift then comma types the shifted caption",
       kUs,
       {kShiftKey, 1057},
       "+10 +BA -BA -10",
       {{1057, ","}},
       false},
      {"Caps on: letters upper, punctuation kept",
       kUs,
       {kCapsKey},
       "+14 -14",
       {{1027, "Q"}, {1056, "<"}, {1069, "\\"}},
       false},
      {"Caps on and off",
       kUs,
       {kCapsKey, kCapsKey},
       "+14 -14 +14 -14",
       {{1027, "q"}, {1056, "<"}},
       false},
      {"Caps on then Shift: Shift ignored",
       kUs,
       {kCapsKey, kShiftKey},
       "+14 -14",
       {{1027, "Q"}},
       false},
      {"Ctrl then c", kUs, {1094, 1051}, "+11 +43 -43 -11", {}, false},
      {"Ctrl then Left arrow keeps Ctrl down", kUs, {1094, id::kKeyLeft}, "+11 +25 -25", {}, false},
      {"AltGr then a letter", kUs, {1097, 1039}, "+A5 +41 -41 -A5", {}, false},
      {"ESC releases held Ctrl and Alt in order",
       kUs,
       {1094, 1095, 1070},
       "+11 +A4 +1B -1B -11 -A4",
       {},
       false},
      {"SPACE releases a held AltGr", kUs, {1097, 1073}, "+A5 +20 -20 -A5", {}, false},
      {"F5", kUs, {1085}, "+74 -74", {}, false},
      {"@ on a Shift layout: Shift around its key", kUs, {kAtKey}, "+10 +32 -32 -10", {}, false},
      {"@ on a Shift layout with the one-shot Shift: kept on",
       kUs,
       {kShiftKey, kAtKey},
       "+10 +32 -32",
       {{1027, "Q"}},
       true},
      {"@ on a right-Alt layout", kAltGrAt, {kAtKey}, "+A5 +51 -51 -A5", {}, false},
      {"@ on a right-Alt layout with the one-shot Shift: lifted around it, kept on",
       kAltGrAt,
       {kShiftKey, kAtKey},
       "+10 -10 +A5 +51 -51 -A5 +10",
       {{1027, "Q"}},
       true},
      {"@ keeps a held Ctrl", kUs, {1094, kAtKey}, "+11 +10 +32 -32 -10", {}, false},
      {"a character the layout cannot type: its lookup's low byte",
       kNoQ,
       {1027},
       "+FF -FF",
       {},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeWindowService rowWindows;
    FakeKeyService rowKeys;
    rowKeys.capsLock = row.start == kCapsLockOn;
    rowKeys.SetDown(vk::kShift, row.start == kShiftHeld);
    if (row.start == kAltGrAt) rowKeys.UseAltGrAtLayout();
    if (row.start == kNoQ) rowKeys.layout.erase('Q');
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
  // What each key sends, in the order of the keyboard's key table.
  // "<" is Shift and the comma key on the US layout: unshifted here, as only the low byte counts.
  const std::string events[] = {
      "+1B -1B",         "+70 -70", "+71 -71", "+72 -72", "+73 -73", "+74 -74",
      "+75 -75",         "+76 -76", "+77 -77", "+78 -78", "+79 -79", "+7A -7A",
      "+7B -7B",         "+DC -DC", "+31 -31", "+32 -32", "+33 -33", "+34 -34",
      "+35 -35",         "+36 -36", "+37 -37", "+38 -38", "+39 -39", "+30 -30",
      "+08 -08",         "+09 -09", "+51 -51", "+57 -57", "+45 -45", "+52 -52",
      "+54 -54",         "+59 -59", "+55 -55", "+49 -49", "+4F -4F", "+50 -50",
      "+10 +32 -32 -10", "+14 -14", "+41 -41", "+53 -53", "+44 -44", "+46 -46",
      "+47 -47",         "+48 -48", "+4A -4A", "+4B -4B", "+4C -4C", "+2D -2D",
      "+2E -2E",         "+10",     "+BC -BC", "+5A -5A", "+58 -58", "+43 -43",
      "+56 -56",         "+42 -42", "+4E -4E", "+4D -4D", "+BC -BC", "+BE -BE",
      "+0D -0D",         "+11",     "+A4",     "+20 -20", "+A5",     "+25 -25",
      "+26 -26",         "+28 -28", "+27 -27", "+21 -21", "+22 -22",
  };
  const auto& keys = resources::keyboard_layout::kKeys;
  ASSERT_EQ(std::size(events), 71u);
  ASSERT_EQ(keys.size(), std::size(events));
  for (int32_t layout : {id::kKeyboardDialog, id::kLargeKeyboardDialog}) {
    const resources::DialogTemplate* dialog = resources::FindDialog(layout);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->controls.size(), std::size(events));
    for (size_t n = 0; n < keys.size(); ++n) {
      const int32_t keyId = keys[n].id;
      SCOPED_TRACE(std::to_string(layout) + " key " + std::to_string(keyId));
      EXPECT_TRUE(std::any_of(dialog->controls.begin(), dialog->controls.end(),
                              [&](const auto& control) { return control.id == keyId; }));
      FakeKeyService rowKeys;
      VirtualKeyboard keyboard(windows, rowKeys, layout);
      Open(keyboard, layout, [&](WindowHandle h) { windows.Command(h, keyId); });
      EXPECT_EQ(rowKeys.events, events[n]);
    }
  }
}

TEST_F(VirtualKeyboardTest, ReopenedKeyboardShowsTemplateCaptionsAndItsImagesWhileShiftStaysOn) {
  VirtualKeyboard keyboard(windows, keys, id::kLargeKeyboardDialog);
  Open(keyboard, id::kLargeKeyboardDialog, [&](WindowHandle h) {
    windows.Command(h, kShiftKey);
    EXPECT_EQ(Caption(h, 1044), "H");
  });
  EXPECT_EQ(keys.events, "+10") << "closing injects and releases nothing";
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
    std::string topLeft;
  };
  constexpr int32_t kNormal = id::kKeyboardDialog, kLarge = id::kLargeKeyboardDialog;
  const Row rows[] = {
      {"normal on 1024 x 768", {0, 0, 1024, 768}, kNormal, 948, 651, "331,578"},
      {"LARGE on 1024 x 768", {0, 0, 1024, 768}, kLarge, 948, 651, "234,495"},
      {"LARGE over the panel on 640 x 480: above it", {0, 0, 640, 480}, kLarge, 564, 363, "42,136"},
      {"monitor not at the origin", {1024, 0, 2048, 768}, kNormal, 10, 10, "1355,578"},
      {"monitor smaller than the keyboard: its top-left", {0, 0, 400, 260}, kLarge, 0, 0, "0,0"},
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
    const std::string placed =
        "place " + std::to_string(row.layout) + " " + row.topLeft + " topmost";
    EXPECT_EQ(std::count(log.begin(), log.end(), placed), 1) << ::testing::PrintToString(log);
  }
}

}  // namespace
}  // namespace tavrel
