#include "dialogs/dialog.h"

#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "testing/fake_window_service.h"

namespace tavrel {
namespace {

namespace id = resource_id;
using Calls = std::vector<std::string>;

// A dialog on the panel's template that records how the dialog manager's messages arrive.
class ProbeDialog : public Dialog {
 public:
  explicit ProbeDialog(WindowService& windows) : Dialog(windows, id::kPanelDialog) {}
  std::vector<std::string> calls;
  std::function<void()> init;

 protected:
  int32_t OnInitDialog() override {
    if (init) init();
    return 1;
  }
  void OnCommand(int32_t command) override {
    calls.push_back("command " + std::to_string(command));
  }

 public:
  using Dialog::EnableItem;
  using Dialog::EndDialog;
  using Dialog::GetCheck;
  using Dialog::GetTrackbarPos;
  using Dialog::PlaceItem;
  using Dialog::SetCheck;
  using Dialog::SetItemFont;
  using Dialog::SetItemText;
  using Dialog::SetTrackbarPos;
  using Dialog::SetTrackbarRange;
  using Dialog::ShowItem;
};

TEST(DialogTest, HelpersActOnTheControlWithThatId) {
  FakeWindowService windows;
  ProbeDialog dialog(windows);
  dialog.init = [&] {
    dialog.SetItemText(id::kHideButton, "Away");
    dialog.ShowItem(id::kRightClickButton, false);
    dialog.EnableItem(id::kHideButton, false);
    dialog.SetItemFont(id::kHideButton, 9);
    dialog.PlaceItem(id::kHideButton, 260, 280);
    dialog.SetTrackbarRange(id::kHideButton, 1, 20);
    dialog.SetTrackbarPos(id::kHideButton, 7);
    dialog.SetCheck(id::kHideButton, true);
  };
  windows.scripts[id::kPanelDialog] = [&](WindowHandle h) {
    const auto& hide = windows.ControlState(h, id::kHideButton);
    EXPECT_EQ(hide.text, "Away");
    EXPECT_FALSE(hide.enabled);
    EXPECT_EQ(hide.font, 9u);
    EXPECT_EQ(hide.x, 260);
    EXPECT_EQ(hide.y, 280);
    EXPECT_EQ(hide.min, 1);
    EXPECT_EQ(hide.max, 20);
    EXPECT_EQ(dialog.GetTrackbarPos(id::kHideButton), 7);
    EXPECT_TRUE(dialog.GetCheck(id::kHideButton));
    EXPECT_FALSE(windows.ControlState(h, id::kRightClickButton).visible);
    windows.Command(h, kIdOk);
  };
  EXPECT_EQ(dialog.DoModal(0), kIdOk);
  EXPECT_FALSE(dialog.IsOpen());
}

TEST(DialogTest, MessagesReachTheirHandlers) {
  struct Row {
    const char* legend;
    std::function<void(FakeWindowService&, WindowHandle)> act;
    int32_t result;
    Calls calls;
  };
  const Row rows[] = {
      {"a button, then OK",
       [](FakeWindowService& w, WindowHandle h) {
         w.Command(h, id::kHideButton);
         w.Command(h, kIdOk);
       },
       kIdOk, Calls{"command 1008"}},
      {"Escape or Cancel", [](FakeWindowService& w, WindowHandle h) { w.Command(h, kIdCancel); },
       kIdCancel, Calls{}},
      {"window-close message", [](FakeWindowService& w, WindowHandle h) { w.Close(h); }, kIdCancel,
       Calls{}},
      {"system close command",
       [](FakeWindowService& w, WindowHandle h) { w.SysCommand(h, kSysCommandClose); }, kIdCancel,
       Calls{}},
      {"ended during initialisation", nullptr, 5, Calls{}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeWindowService windows;
    ProbeDialog dialog(windows);
    if (row.act) {
      windows.scripts[id::kPanelDialog] = [&](WindowHandle h) { row.act(windows, h); };
    } else {
      dialog.init = [&] { dialog.EndDialog(5); };
      windows.scripts[id::kPanelDialog] = [](WindowHandle) { ADD_FAILURE() << "never shown"; };
    }
    EXPECT_EQ(dialog.DoModal(0), row.result);
    EXPECT_EQ(dialog.calls, row.calls);
  }
}

}  // namespace
}  // namespace tavrel
