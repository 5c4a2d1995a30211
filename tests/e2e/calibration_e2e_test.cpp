#include <cstdlib>

#include "platform/linux/settings_file_store.h"
#include "platform/x11/xtest_pointer_service.h"
#include "tests/e2e/e2e_support.h"
#include "touch/calibration_transform.h"

namespace tavrel::e2e {
namespace {

struct ScreenSize {
  int width, height;
  // First the finger stays on the first target through its beep, and that run is refused.
  bool heldFirst = false;
};

struct RawPoint {
  uint32_t x, y;
};
// Held in step order (left bottom, right top, right bottom, left top), away from the factory
// corners.
constexpr RawPoint kHeld[] = {{200, 1800}, {1850, 250}, {1860, 1790}, {210, 240}};
// Where the transform puts each corner, in the same order.
constexpr CalibratedPoint kCorners[] = {{102, 102}, {1945, 1945}, {1945, 102}, {102, 1945}};
// The controller's words 0..7 and the stored value each holds.
constexpr const char* kWordValues[] = {"Click Value Left Bottom X",  "Click Value Left Bottom Y",
                                       "Click Value Right Bottom X", "Click Value Right Bottom Y",
                                       "Click Value Left Top X",     "Click Value Left Top Y",
                                       "Click Value Right Top X",    "Click Value Right Top Y"};
constexpr int kReportsPerCorner = 110;

class CalibrationEndToEndTest : public TavrelEndToEndTest,
                                public ::testing::WithParamInterface<ScreenSize> {
 protected:
  CalibrationEndToEndTest()
      : TavrelEndToEndTest(GetParam().width, GetParam().height),
        screen(XOpenDisplay(xvfb.Display().c_str())) {}
  ~CalibrationEndToEndTest() override {
    if (screen) XCloseDisplay(screen);
  }

  // The pixel the pointer reaches for a calibrated point.
  std::pair<int, int> PointerPixel(CalibratedPoint point) const {
    const AbsolutePoint absolute = ToAbsolutePointer(point);
    return {ScaleAbsolute(absolute.x, 0, GetParam().width),
            ScaleAbsolute(absolute.y, 0, GetParam().height)};
  }
  // The 7 x 7 target, black on white, centred on the pixel the pointer reaches for the corner.
  bool TargetShown(CalibratedPoint corner) {
    static const char* rows[] = {"#.....#", ".#...#.", "..###..", "..###..",
                                 "..###..", ".#...#.", "#.....#"};
    const auto [x, y] = PointerPixel(corner);
    XImage* image =
        XGetImage(screen, DefaultRootWindow(screen), x - 3, y - 3, 7, 7, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool shown = true;
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 7; ++col) {
        const unsigned long pixel = XGetPixel(image, col, row) & 0xFFFFFF;
        shown = shown && pixel == (rows[row][col] == '#' ? 0x000000u : 0xFFFFFFu);
      }
    }
    XDestroyImage(image);
    return shown;
  }
  std::pair<int, int> Pointer() {
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(screen, DefaultRootWindow(screen), &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
  }
  bool IsDialog(const Found& w) const {
    return w.program == "tavrel" && w.width == GetParam().width && w.height == GetParam().height;
  }
  // Saves the screen where the coordinator's notes ask for it.
  void SaveScreenshot() {
    const char* directory = std::getenv("TAVREL_SCREENSHOT_DIR");
    if (directory == nullptr) return;
    const std::string name = std::string(directory) + "/calibration-" +
                             std::to_string(GetParam().width) + "x" +
                             std::to_string(GetParam().height) + ".png";
    Child shot({"sh", "-c", "xwd -root -display " + xvfb.Display() + " | convert xwd:- " + name},
               {});
    EXPECT_EQ(shot.Wait(10s), std::optional<int>(0));
  }

  // The settings file's corner values, in word order.
  std::vector<int32_t> StoredWords() {
    SettingsFileStore store(machine.string());
    EXPECT_TRUE(store.Open());
    std::vector<int32_t> stored;
    for (const char* name : kWordValues) stored.push_back(store.Read(name).value_or(-1));
    return stored;
  }
  // Touches `at` until `shown` holds, in short runs of reports, so that however far the program
  // lags behind the line the finger stays down exactly as long as the step needs.
  bool TouchUntil(sim::ControllerEmulator& emulator, RawPoint at,
                  const std::function<bool()>& shown) {
    for (int run = 0; run < 60 && !shown(); ++run) {
      for (int i = 0; i < 10; ++i) emulator.Report(0x81, at.x, at.y);
      if (!emulator.WaitSent(20s)) return false;
      WaitFor(shown, 200ms);
    }
    return shown();
  }
  // The finger held on the first target until the second corner is taken there too, then the
  // last two targets as shown: the run is refused with the reason, nothing reaches the
  // controller, the stored corners are put back, and the run starts again at the first target.
  void RefuseHeldFirstTarget(sim::ControllerEmulator& emulator) {
    const auto retryBox = [&] {
      return desktop.Find([](const Found& w) { return w.name == "Calibration not accepted"; })
          .has_value();
    };
    const std::pair<RawPoint, std::function<bool()>> touches[] = {
        {kHeld[0], [&] { return TargetShown(kCorners[1]); }},
        {kHeld[0], [&] { return TargetShown(kCorners[2]); }},
        {kHeld[2], [&] { return TargetShown(kCorners[3]); }},
        {kHeld[3], retryBox}};
    for (size_t i = 0; i < std::size(touches); ++i) {
      const auto& [at, shown] = touches[i];
      ASSERT_TRUE(TouchUntil(emulator, at, shown)) << "step " << i << " not taken" << Output();
      // The finger stays down from the first corner to the second.
      if (i != 0) emulator.Report(0x80, at.x, at.y);
    }
    ASSERT_TRUE(emulator.WaitSent(20s));
    const auto box =
        desktop.WaitWindow([](const Found& w) { return w.name == "Calibration not accepted"; });
    ASSERT_TRUE(box.has_value()) << "no retry box:" << Describe(desktop.Windows()) << Output();
    EXPECT_NE(Output().find("calibration rejected, corners too close together"), std::string::npos);
    desktop.SetFocus(box->window);
    desktop.Key(XK_Return);
    ASSERT_TRUE(WaitFor([&] { return TargetShown(kCorners[0]); })) << "not started again";
    const std::vector<int32_t> stored = StoredWords();
    const sim::ControllerMemory factory;
    for (uint8_t word = 0; word < 8; ++word) {
      EXPECT_EQ(emulator.Memory().Get(word), factory.Get(word)) << "written to the controller";
      EXPECT_EQ(stored[word], factory.Get(word)) << "not put back: " << kWordValues[word];
    }
  }

  Display* screen;
};

TEST_P(CalibrationEndToEndTest, FingerHeldOnEachTargetCalibratesScreenAndController) {
  ASSERT_NE(screen, nullptr);
  sim::EmulatorOptions options;
  options.machineDir = machine.string();
  sim::ControllerEmulator emulator(options);
  ASSERT_TRUE(emulator.Start()) << emulator.Error();
  Child tavrel = StartTavrel();
  ASSERT_TRUE(desktop.WaitWindow(IsPanel)) << Describe(desktop.Windows()) << Output();

  // "Calibration" is the fifth entry of the tray menu.
  ASSERT_TRUE(rig.ChooseFromTrayMenu(XK_Down, 5));
  const auto dialog = desktop.WaitWindow([&](const Found& w) { return IsDialog(w); });
  ASSERT_TRUE(dialog.has_value()) << "no full-screen window:" << Describe(desktop.Windows());
  EXPECT_EQ(dialog->x, 0);
  EXPECT_EQ(dialog->y, 0);
  ASSERT_TRUE(WaitFor([&] { return TargetShown(kCorners[0]); })) << "no left-bottom target";
  SaveScreenshot();
  if (GetParam().heldFirst) {
    ASSERT_NO_FATAL_FAILURE(RefuseHeldFirstTarget(emulator));
  }

  for (size_t corner = 0; corner < 4; ++corner) {
    SCOPED_TRACE(corner);
    for (int i = 0; i < kReportsPerCorner; ++i) {
      emulator.Report(0x81, kHeld[corner].x, kHeld[corner].y);
    }
    ASSERT_TRUE(emulator.WaitSent(20s));
    if (corner < 3) {
      EXPECT_TRUE(WaitFor([&] { return TargetShown(kCorners[corner + 1]); }))
          << "the next target shows while the finger is still down";
    }
    emulator.Report(0x80, kHeld[corner].x, kHeld[corner].y);
  }
  const auto box = desktop.WaitWindow([](const Found& w) { return w.name == "Calibration OK"; });
  ASSERT_TRUE(box.has_value()) << "no success box:" << Describe(desktop.Windows());
  desktop.SetFocus(box->window);
  desktop.Key(XK_Return);
  EXPECT_TRUE(
      WaitFor([&] { return !desktop.Find([&](const Found& w) { return IsDialog(w); }); }, 30s))
      << "the dialog closes after the controller write";

  // The settings file holds the captured corners, and the controller the same in words 0..7.
  const std::vector<int32_t> stored = StoredWords();
  const int32_t expected[] = {200, 1800, 1860, 1790, 210, 240, 1850, 250};
  for (size_t i = 0; i < 8; ++i) EXPECT_NEAR(stored[i], expected[i], 1) << kWordValues[i];
  const sim::ControllerMemory memory = emulator.Memory();
  for (uint8_t word = 0; word < 8; ++word) EXPECT_EQ(memory.Get(word), stored[word]) << word;
  EXPECT_EQ(memory.Get(63), memory.Checksum());

  // A touch now lands where the new corners put it.
  const Corners corners{stored[4], stored[5], stored[0], stored[1],
                        stored[6], stored[7], stored[2], stored[3]};
  const auto target = PointerPixel(ApplyCalibration(corners, 1000, 1300));
  emulator.Report(0x81, 1000, 1300);
  emulator.Report(0x80, 1000, 1300);
  EXPECT_TRUE(WaitFor([&] { return Pointer() == target; }))
      << "pointer at " << Pointer().first << "," << Pointer().second << ", expected "
      << target.first << "," << target.second;
}

INSTANTIATE_TEST_SUITE_P(Screens, CalibrationEndToEndTest,
                         ::testing::Values(ScreenSize{800, 600}, ScreenSize{1280, 800},
                                           ScreenSize{800, 600, true}),
                         [](const auto& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height) +
                                  (info.param.heldFirst ? "_firstTargetHeld" : "");
                         });

}  // namespace
}  // namespace tavrel::e2e
