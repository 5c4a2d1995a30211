#include "platform/win32/win32_window_service.h"

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h: its VkKeyScan macro would rename the key service's method.
#undef VkKeyScan

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/dialog_memory_template.h"
#include "platform/win32/win32_key_service.h"
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

// Dispatches this thread's messages until the condition holds or ten seconds have passed.
bool PumpUntil(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);  // keys into characters
      DispatchMessageA(&message);
    }
  }
  return true;
}

// A notification area of the test's own (Wine always has one): a window of the class the
// service looks for.
TEST(Win32WindowServiceTest, TrayIconFollowsTheNotificationArea) {
  SKIP_WITHOUT_DISPLAY();
  constexpr char kHostClass[] = "TavrelTestTrayHost";
  WNDCLASSA hostClass{};
  hostClass.lpfnWndProc = DefWindowProcA;
  hostClass.hInstance = GetModuleHandleA(nullptr);
  hostClass.lpszClassName = kHostClass;
  RegisterClassA(&hostClass);
  const auto makeHost = [&] {
    return CreateWindowExA(0, kHostClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           hostClass.hInstance, nullptr);
  };
  Win32WindowService service(kHostClass);
  const WindowHandle owner = service.CreateOwnerWindow();
  std::vector<bool> told;

  EXPECT_FALSE(service.AddTrayIcon(owner, id::kAppIcon, "Tavrel")) << "no area, no icon";
  EXPECT_FALSE(service.WatchTrayHost([&](bool present) { told.push_back(present); }));
  HWND host = makeHost();
  ASSERT_TRUE(PumpUntil([&] { return told.size() == 1; })) << "the area appearing";
  EXPECT_TRUE(told[0]);
  EXPECT_TRUE(service.AddTrayIcon(owner, id::kAppIcon, "Tavrel"));

  // A restarted area announces itself to every top-level window: an open dialog hears it, and
  // the watch is told again although the area never seemed gone.
  Probe probe;
  probe.check = [&](WindowHandle window) {
    SendMessageA(reinterpret_cast<HWND>(window), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    service.EndDialog(window, 1);
  };
  service.RunModal(id::kAboutDialog, probe, 0);
  EXPECT_EQ(told, (std::vector<bool>{true, true}));

  DestroyWindow(host);
  ASSERT_TRUE(PumpUntil([&] { return told.size() == 3; })) << "the area going";
  EXPECT_FALSE(told[2]);
  service.WatchTrayHost(nullptr);
  service.RemoveTrayIcon(owner, id::kAppIcon);
  service.DestroyWindow(owner);
}

std::string TextOf(HWND window) {
  char text[64] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// What the on-screen keyboard sends reaches the window with the focus, the shift state included,
// and the key states read back what was pressed.
TEST(Win32KeyServiceTest, KeysTypeIntoTheFocusedWindowAndTheirStatesReadBack) {
  SKIP_WITHOUT_DISPLAY();
  HWND edit = CreateWindowExA(0, "Edit", "", WS_POPUP | WS_VISIBLE | WS_BORDER, 10, 10, 300, 30,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  SetForegroundWindow(edit);
  SetFocus(edit);
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == edit; }));
  Win32KeyService keys;
  const auto tap = [&](uint8_t key) {
    keys.KeyEvent(key, false);
    keys.KeyEvent(key, true);
  };
  const auto type = [&](char character) {
    const uint16_t scan = keys.VkKeyScan(character);
    ASSERT_NE(scan, kNoKey) << character;
    const bool shift = (scan & key_shift::kShift) != 0;
    if (shift) keys.KeyEvent(vk::kShift, false);
    tap(static_cast<uint8_t>(scan & 0xFF));
    if (shift) keys.KeyEvent(vk::kShift, true);
  };
  // Rows: what is typed, what the window then holds.
  const struct {
    const char* typed;
    const char* holds;
  } rows[] = {{"a", "a"}, {"B", "aB"}, {"1!", "aB1!"}, {"\b", "aB1"}, {" z", "aB1 z"}};
  for (const auto& row : rows) {
    for (const char* c = row.typed; *c != '\0'; ++c) {
      if (*c == '\b') {
        tap(vk::kBack);
      } else {
        type(*c);
      }
    }
    EXPECT_TRUE(PumpUntil([&] { return TextOf(edit) == row.holds; }))
        << "after " << row.typed << ": " << TextOf(edit);
  }

  keys.KeyEvent(vk::kShift, false);
  EXPECT_TRUE(PumpUntil([&] { return IsKeyDown(keys.GetKeyState(vk::kShift)); })) << "held";
  keys.KeyEvent(vk::kShift, true);
  EXPECT_TRUE(PumpUntil([&] { return !IsKeyDown(keys.GetKeyState(vk::kShift)); })) << "let go";
  const bool capsOn = (keys.GetKeyState(vk::kCapital) & kKeyToggled) != 0;
  tap(vk::kCapital);
  EXPECT_TRUE(PumpUntil([&] {
    return ((keys.GetKeyState(vk::kCapital) & kKeyToggled) != 0) != capsOn;
  })) << "Caps Lock toggles";
  tap(vk::kCapital);
  DestroyWindow(edit);
}

}  // namespace
}  // namespace tavrel
