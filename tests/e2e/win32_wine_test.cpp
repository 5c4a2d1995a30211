// The Windows programs under Wine: tavrel-link-probe.exe on the Win32 serial back end against the
// emulator, and tavrel.exe end to end on Xvfb with trayer as the tray host.
#include <cstdio>
#include <regex>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "testing/link_test_support.h"
#include "tests/e2e/wine_test_support.h"
#include "tools/sim/controller_memory.h"

namespace tavrel::wine {
namespace {

using namespace std::chrono_literals;

constexpr auto kWineStart = 90s;  // a fresh Wine server brings its services up first

// The absolute move the program makes for a touch at the raw point, with the emulator's
// corners: what the decoder gives on the same settings.
MouseInput MoveFor(uint32_t x, uint32_t y) {
  ProgramSide side;
  const sim::ControllerMemory memory;
  std::atomic<int32_t>* corners[] = {&side.settings.leftBottomX,  &side.settings.leftBottomY,
                                     &side.settings.rightBottomX, &side.settings.rightBottomY,
                                     &side.settings.leftTopX,     &side.settings.leftTopY,
                                     &side.settings.rightTopX,    &side.settings.rightTopY};
  for (uint8_t word = 0; word < 8; ++word) corners[word]->store(memory.Get(word));
  const Bytes report = sim::ControllerEmulator::EncodeReport(0x81, x, y);
  side.decoder.DecodeReport(report.data(), static_cast<uint32_t>(report.size()), 0);
  return side.log.Events().at(0).input;
}

// The raw point whose touch lands on the pixel of the 1024 x 768 screen: each axis searched in
// turn, as the transform grows along both.
std::pair<uint32_t, uint32_t> RawFor(int pixelX, int pixelY) {
  const auto pixelOf = [](uint32_t x, uint32_t y) {
    const MouseInput move = MoveFor(x, y);
    return std::make_pair(static_cast<int>(int64_t{move.dx} * 1024 / 65536),
                          static_cast<int>(int64_t{move.dy} * 768 / 65536));
  };
  uint32_t x = 1024, y = 1024;
  for (int round = 0; round < 3; ++round) {
    for (bool alongX : {true, false}) {
      uint32_t low = 0, high = 2047;
      while (low < high) {
        const uint32_t middle = (low + high) / 2;
        const auto at = alongX ? pixelOf(middle, y) : pixelOf(x, middle);
        if ((alongX ? at.first : at.second) < (alongX ? pixelX : pixelY)) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      (alongX ? x : y) = low;
    }
  }
  return {x, y};
}

std::string CornersLine() {
  const sim::ControllerMemory m;
  char line[160];
  std::snprintf(line, sizeof line,
                "corners: left-bottom %d,%d  right-bottom %d,%d  left-top %d,%d  right-top %d,%d",
                m.Get(0), m.Get(1), m.Get(2), m.Get(3), m.Get(4), m.Get(5), m.Get(6), m.Get(7));
  return line;
}

class WineTest : public e2e::TavrelEndToEndTest {
 protected:
  void SetUp() override {
    if (!fs::exists(Program("tavrel.exe")) || !fs::exists(WindowsBuild() / "wine-prefix")) {
      GTEST_SKIP() << "no Windows build with its Wine prefix: make test-windows builds them";
    }
    e2e::TavrelEndToEndTest::SetUp();
    ASSERT_TRUE(emulator.Start()) << emulator.Error();
    prefix.emplace(machine);
    prefix->MapPort(5, emulator.LinkPath());
  }
  void TearDown() override {
    prefix.reset();
    e2e::TavrelEndToEndTest::TearDown();
  }

  static sim::EmulatorOptions Options(const fs::path& machine) {
    sim::EmulatorOptions options;
    options.machineDir = machine.string();
    return options;
  }

  // A left-button press on the icon opens the tray menu (Wine's desktop process docks the icons);
  // the entry is chosen with the arrow: Down counts from the top, Up from the bottom.
  void ChooseFromTrayMenu(KeySym arrow, int times) {
    std::optional<Found> icon;
    ASSERT_TRUE(WaitFor(
        [&] {
          icon = desktop.Find([](const Found& w) {
            return w.program == "explorer.exe" && w.width <= 24 && w.height <= 24;
          });
          return icon.has_value();
        },
        kWineStart))
        << Describe(desktop.Windows());
    ASSERT_TRUE(desktop.WaitWindow([](const Found& w) {
      return w.program == "tavrel.exe" && w.width > 30 && w.width < 200;
    })) << "no panel";
    desktop.Press(icon->x + icon->width / 2, icon->y + icon->height / 2, true);
    desktop.Press(icon->x + icon->width / 2, icon->y + icon->height / 2, false);
    ASSERT_TRUE(desktop.WaitWindow([](const Found& w) {
      return w.program == "tavrel.exe" && w.height > 100;
    })) << "no menu; "
        << Describe(desktop.Windows());
    for (int i = 0; i < times; ++i) desktop.Key(arrow);
    desktop.Key(XK_Return);
  }

  sim::ControllerEmulator emulator{Options(machine)};
  std::optional<WinePrefix> prefix;
};

// Detection, the calibration read, a decoded touch and a hang-up the probe lives through.
TEST_F(WineTest, SerialBackEndFindsReadsDecodesAndSurvivesAHangUp) {
  const fs::path output = machine / "probe.txt";
  Child probe(Wine({Program("tavrel-link-probe.exe"), "8"}), prefix->Environment(),
              output.string());
  ASSERT_TRUE(
      WaitFor([&] { return ReadFile(output).find("corners:") != std::string::npos; }, kWineStart))
      << ReadFile(output);
  EXPECT_NE(ReadFile(output).find("DetectController: 1 (port COM5:)"), std::string::npos);
  EXPECT_NE(ReadFile(output).find(CornersLine()), std::string::npos) << ReadFile(output);

  const MouseInput move = MoveFor(1000, 700);
  emulator.Report(0x81, 1000, 700);
  emulator.Report(0x80, 1000, 700);
  const std::string expected = "move " + std::to_string(move.dx) + "," + std::to_string(move.dy);
  EXPECT_TRUE(WaitFor([&] { return ReadFile(output).find(expected) != std::string::npos; }, 20s))
      << expected << " in\n"
      << ReadFile(output);

  emulator.HangUp();
  EXPECT_EQ(probe.Wait(60s), 0) << ReadFile(output);
}

// The window layer's and the key service's own tests need a display; they run here, on the
// test's Xvfb.
TEST_F(WineTest, WindowLayerTestsPassOnADisplay) {
  const fs::path output = machine / "windows.txt";
  Child tests(
      Wine({Program("tests/win32_backends_test.exe"), "--gtest_filter=Win32Window*:Win32Key*"}),
      prefix->Environment(xvfb.Display()), output.string());
  EXPECT_EQ(tests.Wait(kWineStart), 0) << ReadFile(output);
  EXPECT_EQ(ReadFile(output).find("SKIPPED"), std::string::npos) << ReadFile(output);
}

bool IsWineProgram(const Found& w) { return w.program == "tavrel.exe"; }

std::optional<std::pair<int, int>> PointerAt(const std::string& display, const fs::path& file) {
  Child query({"xdotool", "getmouselocation"}, {"DISPLAY=" + display}, file.string());
  if (query.Wait(10s) != 0) return std::nullopt;
  std::smatch match;
  const std::string text = ReadFile(file);
  if (!std::regex_search(text, match, std::regex("x:(\\d+) y:(\\d+)"))) return std::nullopt;
  return std::make_pair(std::stoi(match[1]), std::stoi(match[2]));
}

// tavrel.exe finds the controller on COM5, moves the pointer where the transform says, and
// ends with status 0 when Close is chosen from the tray menu.
TEST_F(WineTest, TavrelExeTapsAndClosesFromTheTrayMenu) {
  Child tavrel(Wine({Program("tavrel.exe")}), prefix->Environment(xvfb.Display()),
               (machine / "tavrel.log").string());
  const auto panel = desktop.WaitWindow([](const Found& w) {
    return IsWineProgram(w) && w.width < 200 && w.height < 200 && w.width > 30;
  });
  ASSERT_TRUE(WaitFor([&] { return panel.has_value(); }, kWineStart))
      << Describe(desktop.Windows());
  // Detection ends with the corners read, the last of them word 7.
  ASSERT_TRUE(WaitFor(
      [&] {
        for (const auto& request : emulator.Requests()) {
          if (request.bytes == Bytes{0x0A, 0x02, 0x43, 0x07}) return true;
        }
        return false;
      },
      kWineStart));

  // Rows: raw point, legend.
  const struct {
    uint32_t x, y;
    const char* legend;
  } taps[] = {{1000, 700, "near the middle"}, {300, 1700, "towards the bottom left"}};
  for (const auto& tap : taps) {
    const MouseInput move = MoveFor(tap.x, tap.y);
    const int wantX = static_cast<int>(int64_t{move.dx} * 1024 / 65536);
    const int wantY = static_cast<int>(int64_t{move.dy} * 768 / 65536);
    emulator.Report(0x81, tap.x, tap.y);
    emulator.Report(0x80, tap.x, tap.y);
    std::optional<std::pair<int, int>> at;
    EXPECT_TRUE(WaitFor(
        [&] {
          at = PointerAt(xvfb.Display(), machine / "pointer.txt");
          return at && std::abs(at->first - wantX) <= 1 && std::abs(at->second - wantY) <= 1;
        },
        20s))
        << tap.legend << ": want " << wantX << "," << wantY << " got "
        << (at ? std::to_string(at->first) + "," + std::to_string(at->second) : "none");
  }

  // A second start hands over to the running program and ends at once.
  Child second(Wine({Program("tavrel.exe")}), prefix->Environment(xvfb.Display()));
  EXPECT_EQ(second.Wait(kWineStart), 0);
  EXPECT_TRUE(desktop.Find([](const Found& w) { return IsWineProgram(w) && w.width < 200; }));

  // Close is the menu's last item.
  ChooseFromTrayMenu(XK_Up, 1);
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(tavrel.Wait(60s), 0) << ReadFile(machine / "tavrel.log");
}

// The tray menu's windows open on Windows too: each row chooses its entry in a program of its
// own and waits for the window.
TEST_F(WineTest, TrayMenuCommandsOpenTheirWindows) {
  // Rows: Down presses to the entry, the window it opens, legend.
  const struct {
    int downs;
    std::function<bool(const Found&)> window;
    const char* legend;
  } rows[] = {
      {3, [](const Found& w) { return w.width > 300 && w.height < 250; }, "Show keyboard"},
      {4, [](const Found& w) { return w.name == "Morvane Virtual Keyboard LARGE"; },
       "Show Keyboard LARGE"},
      {5, [](const Found& w) { return w.width >= 1000 && w.height >= 700; }, "Calibration"},
      {6, [](const Found& w) { return w.name == "Touch Screen software setup"; }, "Setup"},
  };
  for (const auto& row : rows) {
    const fs::path log = machine / "tavrel.log";
    std::optional<Child> tavrel(std::in_place, Wine({Program("tavrel.exe")}),
                                prefix->Environment(xvfb.Display()), log.string());
    ChooseFromTrayMenu(XK_Down, row.downs);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(desktop.WaitWindow([&](const Found& w) {
      return IsWineProgram(w) && row.window(w);
    })) << row.legend
        << Describe(desktop.Windows());
    tavrel.reset();
    EXPECT_TRUE(WaitFor([&] { return !desktop.Find(IsWineProgram); }, 30s)) << row.legend;
  }
}

// The keyboard types into the application in use, touched through the controller: the target
// keeps the keyboard input while the keyboard's keys are pressed.
TEST_F(WineTest, KeyboardTypesIntoTheFocusedProgramWhenItsKeysAreTouched) {
  const fs::path typed = machine / "typed.txt";
  Child tavrel(Wine({Program("tavrel.exe")}), prefix->Environment(xvfb.Display()),
               (machine / "tavrel.log").string());
  ChooseFromTrayMenu(XK_Down, 3);  // Show keyboard
  ASSERT_FALSE(HasFatalFailure());
  const auto isKeyboard = [](const Found& w) {
    return IsWineProgram(w) && w.width > 300 && w.height < 250;
  };
  ASSERT_TRUE(desktop.WaitWindow(isKeyboard)) << Describe(desktop.Windows());

  // The application in use: the user clicks into its text, which then has the focus.
  Child target(Wine({Program("tavrel-type-target.exe")}), prefix->Environment(xvfb.Display()),
               typed.string());
  std::optional<Found> window;
  ASSERT_TRUE(WaitFor(
      [&] {
        window = desktop.Find([](const Found& w) { return w.name == "Type target"; });
        return window.has_value();
      },
      kWineStart))
      << Describe(desktop.Windows());
  ASSERT_TRUE(WaitFor([&] { return ReadFile(typed).find("ready") != std::string::npos; }));
  desktop.Click(window->x + window->width / 2, window->y + window->height / 2);
  ASSERT_TRUE(WaitFor([&] {
    const std::string text = ReadFile(typed);
    return text.rfind("[focus in]") != std::string::npos &&
           (text.rfind("[focus out]") == std::string::npos ||
            text.rfind("[focus out]") < text.rfind("[focus in]"));
  })) << ReadFile(typed);
  // Found again now: the keyboard has long been placed where it stays.
  const auto keyboard = desktop.Find(isKeyboard);
  ASSERT_TRUE(keyboard) << Describe(desktop.Windows());

  // The template in dialog units gives the client area; Wine draws the frame and caption inside
  // the window's X window, the frame as wide at the bottom as at the sides.
  const resources::DialogTemplate& layout = *resources::FindDialog(resource_id::kKeyboardDialog);
  const int frame = (keyboard->width - resources::DluToPixelsX(layout.cx)) / 2;
  const int top = keyboard->height - resources::DluToPixelsY(layout.cy) - frame;
  const auto touchKey = [&](int32_t id) {
    for (const auto& key : layout.controls) {
      if (key.id != id) continue;
      const auto [x, y] = RawFor(keyboard->x + frame + resources::DluToPixelsX(key.x + key.cx / 2),
                                 keyboard->y + top + resources::DluToPixelsY(key.y + key.cy / 2));
      emulator.Report(0x81, x, y);
      emulator.Report(0x80, x, y);
      return;
    }
    ADD_FAILURE() << "no key " << id;
  };
  const auto holds = [&](const char* text) {
    // One line per change of the text, with the C runtime's CR LF.
    const std::regex line(std::string("(^|\n)") + text + "\r?\n");
    return WaitFor([&] { return std::regex_search(ReadFile(typed), line); }, 30s);
  };
  // Each key once the one before has arrived, as a hand types. Wine brings its modifier states in
  // line with the X server's in its own time, so a latched Shift touched within milliseconds of
  // the next key is not reliable under Wine: Shift is left to the keyboard's own tests.
  std::string expected;
  // Rows: key id, the character it types.
  const std::pair<int32_t, char> keys[] = {
      {1050, 'x'}, {1044, 'h'}, {1036, 'i'}, {1073, ' '}, {1065, '7'}};
  for (const auto& [key, character] : keys) {
    touchKey(key);
    expected.push_back(character);
    ASSERT_TRUE(holds(expected.c_str()))
        << ReadFile(typed) << "keyboard at " << keyboard->x << "," << keyboard->y << " "
        << keyboard->width << "x" << keyboard->height << "\n"
        << Describe(desktop.Windows());
  }
}

}  // namespace
}  // namespace tavrel::wine
