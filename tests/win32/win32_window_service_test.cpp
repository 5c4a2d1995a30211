#include "platform/win32/win32_window_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/win32/dialog_memory_template.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace tavrel {
namespace {

namespace id = resource_id;
using resources::ControlKind;

TEST(DialogMemoryTemplateTest, ControlsGetTheTypeBitsOfTheirKind) {
  constexpr uint32_t kChild = 0x50000000;
  // Rows: kind, style in the table, expected style, legend.
  const struct {
    ControlKind kind;
    uint32_t style;
    uint32_t expected;
    const char* legend;
  } rows[] = {
      {ControlKind::kPushButton, kChild, kChild, "a push button is type 0"},
      {ControlKind::kDefaultButton, kChild, kChild | 0x1, "default push button"},
      {ControlKind::kDefaultButton, kChild | 0x1, kChild | 0x1, "already there"},
      {ControlKind::kBitmapButton, kChild, kChild | 0x80, "a bitmap button shows its bitmap"},
      {ControlKind::kCheckBox, kChild, kChild | 0x3, "checks itself when clicked"},
      {ControlKind::kCheckBox, kChild | 0x2, kChild | 0x2, "the table's own check box type"},
      {ControlKind::kGroupBox, kChild, kChild | 0x7, "group box"},
      {ControlKind::kCenteredText, kChild, kChild | 0x1, "centred static"},
      {ControlKind::kIconPicture, kChild, kChild | 0x3, "icon static"},
      {ControlKind::kBitmapPicture, kChild, kChild | 0xE, "bitmap static"},
      {ControlKind::kTrackbar, kChild | 0x8, kChild | 0x8, "trackbar styles stand as given"},
  };
  for (const auto& row : rows) {
    const resources::ControlTemplate control{1, row.kind, "", 0, 0, 10, 10, row.style};
    EXPECT_EQ(ControlStyle(control), row.expected) << row.legend;
  }
}

TEST(DialogMemoryTemplateTest, HeaderAndItemsAreWhereTheDialogManagerLooks) {
  const resources::DialogTemplate* about = resources::FindDialog(id::kAboutDialog);
  ASSERT_NE(about, nullptr);
  const std::vector<uint16_t> memory = BuildDialogTemplate(*about);
  const uint32_t style = memory[0] | (uint32_t{memory[1]} << 16);
  EXPECT_EQ(style, about->style | resources::style::kSetFont);
  EXPECT_EQ(memory[4], about->controls.size());
  EXPECT_EQ(static_cast<int16_t>(memory[7]), about->cx);
  EXPECT_EQ(static_cast<int16_t>(memory[8]), about->cy);
  // After the header and the caption: the point size, then the face.
  const size_t caption = 11;
  const size_t pointSize = caption + about->caption.size() + 1;
  EXPECT_EQ(memory[caption], static_cast<uint16_t>(about->caption[0]));
  EXPECT_EQ(memory[pointSize], about->pointSize);
  EXPECT_EQ(memory[pointSize + 1], static_cast<uint16_t>(about->fontFace[0]));
}

// Acts on the dialog from Init, then ends the run with what it found.
class Probe : public DialogEvents {
 public:
  int32_t Init(WindowHandle window) override { return check(window), 1; }
  void Command(int32_t) override {}
  void Close() override {}
  void Trackbar(int32_t) override {}
  void LeftButtonDown(int32_t, int32_t) override {}
  void LeftButtonUp(int32_t, int32_t) override {}
  void SysCommand(int32_t) override {}
  void TrayNotify(int32_t, int32_t) override {}

  std::function<void(WindowHandle)> check;
};

// Windows need Wine's display driver: the host tests run these on Xvfb.
#define SKIP_WITHOUT_DISPLAY() \
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs a display"

TEST(Win32WindowServiceTest, ControlsOfADialogBuiltFromItsTemplate) {
  SKIP_WITHOUT_DISPLAY();
  Win32WindowService service;
  Probe probe;
  probe.check = [&](WindowHandle window) {
    const ControlHandle freq = service.Control(window, id::kFreqTrackbar);
    const ControlHandle tracking = service.Control(window, id::kTrackingCheckBox);
    ASSERT_NE(freq, 0u);
    ASSERT_NE(tracking, 0u);
    EXPECT_EQ(service.Control(window, 4242), 0u) << "no such control";
    service.SetTrackbarRange(freq, 100, 9000);
    service.SetTrackbarPos(freq, 2500);
    EXPECT_EQ(service.GetTrackbarPos(freq), 2500);
    service.SetTrackbarPos(freq, 9999);
    EXPECT_EQ(service.GetTrackbarPos(freq), 9000) << "kept within the range";
    for (bool checked : {true, false}) {
      service.SetCheck(tracking, checked);
      EXPECT_EQ(service.GetCheck(tracking), checked);
    }
    service.SetText(tracking, "Tracking");
    EXPECT_EQ(service.GetText(tracking), "Tracking");
    EXPECT_EQ(service.GetText(0), "") << "no control";
    service.EndDialog(window, 7);
  };
  EXPECT_EQ(service.RunModal(id::kSetupDialog, probe, 0), 7);
  EXPECT_EQ(service.RunModal(4242, probe, 0), -1) << "no such template";
}

TEST(Win32WindowServiceTest, CallsFromOtherThreadsRunInsideAModalRunUntilStopped) {
  SKIP_WITHOUT_DISPLAY();
  Win32WindowService service;
  Probe probe;
  std::thread caller;
  std::atomic<bool> ranOnUiThread{false};
  const std::thread::id uiThread = std::this_thread::get_id();
  probe.check = [&](WindowHandle window) {
    caller = std::thread([&, window] {
      service.RunOnUiThread([&] {
        ranOnUiThread = std::this_thread::get_id() == uiThread;
        service.EndDialog(window, 5);
      });
    });
  };
  EXPECT_EQ(service.RunModal(id::kAboutDialog, probe, 0), 5);
  if (caller.joinable()) caller.join();
  EXPECT_TRUE(ranOnUiThread);

  service.StopCrossThreadCalls();
  std::atomic<bool> ran{false};
  std::thread late([&] { service.RunOnUiThread([&] { ran = true; }); });
  late.join();  // returns at once, without running
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace tavrel
