// The setup dialog in the real program, chosen from the tray menu and worked by keyboard, with the
// emulator as the controller.
#include "tests/e2e/label_rendering.h"

// Last: Xlib's macros would clash with the Qt header behind the one above.
#include "tests/e2e/e2e_support.h"

namespace tavrel::e2e {
namespace {

constexpr const char* kTitle = "Touch Screen software setup";
// The information lines: 7,10 and 7,43, 332 x 17 dialog units.
constexpr int kLineX = 11, kFirmwareY = 16, kModelY = 70, kLineWidth = 498, kLineHeight = 28;

bool IsSetup(const Found& w) { return w.program == "tavrel" && w.name == kTitle; }

size_t CountRequests(const sim::ControllerEmulator& emulator, uint8_t command) {
  size_t count = 0;
  for (const auto& request : emulator.Requests()) {
    count += request.bytes.size() > 2 && request.bytes[2] == command;
  }
  return count;
}

// How far a part of the window is from an image, summed over every colour of every pixel.
uint64_t Distance(const std::string& display, Window window, int y,
                  const std::vector<uint32_t>& expected) {
  Display* connection = XOpenDisplay(display.c_str());
  XImage* image =
      XGetImage(connection, window, kLineX, y, kLineWidth, kLineHeight, AllPlanes, ZPixmap);
  uint64_t distance = 0;
  for (int row = 0; image && row < kLineHeight; ++row) {
    for (int col = 0; col < kLineWidth; ++col) {
      const uint32_t got = static_cast<uint32_t>(XGetPixel(image, col, row));
      const uint32_t want = expected[static_cast<size_t>(row * kLineWidth + col)];
      for (int shift : {0, 8, 16}) {
        distance += static_cast<uint64_t>(std::abs(static_cast<int>((got >> shift) & 0xFF) -
                                                   static_cast<int>((want >> shift) & 0xFF)));
      }
    }
  }
  if (image) XDestroyImage(image);
  XCloseDisplay(connection);
  return distance;
}

// True once the line shows this text rather than the other one, which differs from it only in
// what the controller sent.
bool LineShows(const std::string& display, Window window, int y, const std::string& text,
               const std::string& other) {
  const auto right = RenderInfoLine(text, kLineWidth, kLineHeight);
  const auto wrong = RenderInfoLine(other, kLineWidth, kLineHeight);
  return WaitFor([&] {
    return Distance(display, window, y, right) * 4 < Distance(display, window, y, wrong);
  });
}

struct PointerState {
  int x = -1, y = -1;
  bool leftDown = false;
};

PointerState PointerAt(const std::string& display) {
  Display* connection = XOpenDisplay(display.c_str());
  Window root = 0, child = 0;
  int x = -1, y = -1, winX = 0, winY = 0;
  unsigned mask = 0;
  XQueryPointer(connection, DefaultRootWindow(connection), &root, &child, &x, &y, &winX, &winY,
                &mask);
  XCloseDisplay(connection);
  return {x, y, (mask & Button1Mask) != 0};
}

std::string SettingsFile(const fs::path& machine) {
  std::ifstream in(machine / "settings.reg");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Windows such as the tray menu come and go while the test lists them; a request on one that has
// just gone is an error that Xlib's default handler would end the test process for.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

class SetupEndToEndTest : public TavrelEndToEndTest {
 protected:
  void SetUp() override {
    XSetErrorHandler(IgnoreXError);
    TavrelEndToEndTest::SetUp();
  }
  // Chooses "Setup", the second item from the end of the tray menu, and waits for the dialog.
  std::optional<Found> OpenSetup() {
    if (!rig.ChooseFromTrayMenu(XK_Up, 2)) return std::nullopt;
    auto setup = desktop.WaitWindow(IsSetup);
    // There is no window manager to give the dialog the keyboard.
    if (setup) desktop.SetFocus(setup->window);
    return setup;
  }
  bool WaitClosed() {
    return WaitFor([&] { return !desktop.Find(IsSetup); });
  }
};

TEST_F(SetupEndToEndTest, ShowsTheControllerChecksItsMemoryCancelsAndStoresTheFrequencyOnOk) {
  sim::EmulatorOptions options;
  options.machineDir = machine.string();
  options.pace = false;
  options.firmware = "3.17";
  options.model = "QX7205";
  sim::ControllerEmulator emulator(options);
  ASSERT_TRUE(emulator.Start()) << emulator.Error();
  Child tavrel = StartTavrel();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << Output();

  const size_t presenceAtStart = CountRequests(emulator, 0x41);
  auto setup = OpenSetup();
  ASSERT_TRUE(setup.has_value()) << "no setup dialog; windows:" << Describe(desktop.Windows());
  EXPECT_EQ(setup->width, 672);
  EXPECT_EQ(setup->height, 452);
  EXPECT_EQ(CountRequests(emulator, 0x41), presenceAtStart + 1);
  EXPECT_EQ(CountRequests(emulator, 0x44), 1u);
  EXPECT_EQ(CountRequests(emulator, 0x46), 1u);
  EXPECT_TRUE(LineShows(xvfb.Display(), setup->window, kFirmwareY, "Firmware release: 3.17",
                        "Firmware release: 2.05"));
  EXPECT_TRUE(LineShows(xvfb.Display(), setup->window, kModelY,
                        "Touch screen controller model: QX7205",
                        "Touch screen controller model: TV4001"));

  // "Check memory" has the focus: 64 word reads, then Escape cancels and stores nothing.
  const std::string stored = SettingsFile(machine);
  const size_t readsBefore = CountRequests(emulator, 0x43);
  desktop.Key(XK_space);
  EXPECT_TRUE(WaitFor([&] { return CountRequests(emulator, 0x43) == readsBefore + 64; }));
  if (const char* shot = std::getenv("TAVREL_SETUP_SCREENSHOT")) {
    std::this_thread::sleep_for(1s);
    const std::string command = "xwd -root -display " + xvfb.Display() + " | convert xwd:- " + shot;
    EXPECT_EQ(std::system(command.c_str()), 0);
  }
  desktop.Key(XK_Escape);
  ASSERT_TRUE(WaitClosed()) << "Escape cancels";
  EXPECT_EQ(SettingsFile(machine), stored);
  // The reader was released: a tap in the middle of the screen clicks there.
  emulator.Report(0x81, 1024, 1024);
  EXPECT_TRUE(WaitFor([&] { return PointerAt(xvfb.Display()).leftDown; })) << "no press";
  emulator.Report(0x80, 1024, 1024);
  EXPECT_TRUE(WaitFor([&] { return !PointerAt(xvfb.Display()).leftDown; })) << "no release";
  const PointerState tap = PointerAt(xvfb.Display());
  EXPECT_TRUE(std::abs(tap.x - 512) < 40 && std::abs(tap.y - 384) < 40) << tap.x << "," << tap.y;

  // Tab to the Freq trackbar, End moves it to 10000, Return presses OK.
  setup = OpenSetup();
  ASSERT_TRUE(setup.has_value());
  for (int i = 0; i < 3; ++i) desktop.Key(XK_Tab);
  desktop.Key(XK_End);
  desktop.Key(XK_Return);
  ASSERT_TRUE(WaitClosed()) << "Return presses OK";
  EXPECT_NE(SettingsFile(machine).find("\"Buzzer Frequency (Hz)\"=dword:00002710"),
            std::string::npos)
      << SettingsFile(machine);

  CloseFromTrayMenu(tavrel);
}

}  // namespace
}  // namespace tavrel::e2e
