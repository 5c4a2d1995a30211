#include "calibration/calibration_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "calibration/target_layout.h"
#include "link/controller_wire.h"
#include "resources/resource_ids.h"
#include "testing/fake_clock.h"
#include "testing/fake_controller.h"
#include "testing/fake_events.h"
#include "testing/fake_serial.h"
#include "testing/fake_threads.h"
#include "testing/link_test_support.h"
#include "tools/sim/controller_emulator.h"
#include "tools/sim/controller_memory.h"

namespace tavrel {
namespace {

namespace id = resource_id;
using Strings = std::vector<std::string>;
using Ids = std::vector<int32_t>;

struct RawPoint {
  int32_t x, y;
};
// Away from the factory corners, in step order: left bottom, right top, right bottom, left top.
constexpr RawPoint kTouched[] = {{200, 1800}, {1850, 250}, {1860, 1790}, {210, 240}};
const Ids kTargets = {id::kTargetLeftBottom, id::kTargetRightTop, id::kTargetRightBottom,
                      id::kTargetLeftTop};
const Ids kPrompts = {id::kPromptLeftBottom, id::kPromptRightTop, id::kPromptRightBottom,
                      id::kPromptLeftTop};
const Ids kMarkers = {id::kMarkerLeftBottom, id::kMarkerRightTop, id::kMarkerRightBottom,
                      id::kMarkerLeftTop};
const Strings kCornerNamesX = {"Click Value Left Bottom X", "Click Value Right Top X",
                               "Click Value Right Bottom X", "Click Value Left Top X"};

// Lambdas in the test tables act on the fixture, so all of it is public.
class CalibrationDialogTest : public ::testing::Test, public ProgramSide {
 public:
  CalibrationDialogTest() {
    controller.Attach(line);
    EXPECT_EQ(serialPort.OpenSerialPort("COM5:"), 1);
    store.ClearWrites();
  }

  // What the tray command does around the dialog; body acts on the open window.
  int32_t Run(const std::function<void()>& body) {
    windows.scripts[id::kCalibrationDialog] = [this, body](WindowHandle h) {
      window = h;
      delivered = log.Total();
      body();
    };
    settings.SetDecoderMode(1);
    const int32_t result = dialog.DoModal(0);
    settings.SetDecoderMode(0);
    dialog.SetStep(0);
    return result;
  }

  // Reports of a finger held at the point, then optionally its lift; each injected button
  // event reaches the window as its message, as the desktop delivers them.
  void Touch(RawPoint at, int reports, bool lift = true) {
    for (int i = 0; i < reports; ++i)
      Decode(sim::ControllerEmulator::EncodeReport(0x81, at.x, at.y));
    if (lift) Decode(sim::ControllerEmulator::EncodeReport(0x80, at.x, at.y));
  }
  void Decode(const Bytes& report) {
    decoder.DecodeReport(report.data(), 5, settings.GetDecoderMode());
    const auto events = log.Events();
    for (size_t i = delivered; i < events.size() && windows.IsWindow(window); ++i) {
      const uint32_t flags = events[i].input.dwFlags;
      if (events[i].kind != RecordedEvent::Kind::kPointer) continue;
      if (flags == kMouseLeftDown) windows.LeftButtonDown(window);
      if (flags == kMouseLeftUp) windows.LeftButtonUp(window);
    }
    delivered = log.Total();
  }

  bool Visible(int32_t control) const { return windows.ControlState(window, control).visible; }
  // The control ids, among those of the groups given, that are visible, in the order given.
  Ids VisibleOf(std::initializer_list<Ids> groups) const {
    Ids visible;
    for (const Ids& group : groups) {
      for (int32_t control : group) {
        if (Visible(control)) visible.push_back(control);
      }
    }
    return visible;
  }
  Strings CornerWrites() const {
    Strings writes;
    for (const auto& name : store.Writes()) {
      if (std::find(kCornerNamesX.begin(), kCornerNamesX.end(), name) != kCornerNamesX.end()) {
        writes.push_back(name);
      }
    }
    return writes;
  }
  size_t WordWrites() {
    size_t count = 0;
    ports.With(line, [&](FakeLine& l) {
      count = std::count_if(l.written.begin(), l.written.end(), [](const Bytes& b) {
        return b.size() == 6 && b[2] == wire::kWriteWord;
      });
    });
    return count;
  }
  std::array<int32_t, 8> Corners() const {
    return {settings.leftBottomX,  settings.leftBottomY,  settings.rightTopX, settings.rightTopY,
            settings.rightBottomX, settings.rightBottomY, settings.leftTopX,  settings.leftTopY};
  }

  FakeClock clock;
  FakeEventService events{clock};
  FakeSerialPorts ports{events};
  FakeLine& line = ports.Add("COM5:");
  FakeThreadService threads;
  FakeController controller;  // word reads and writes on its memory
  CTvSerialPort serialPort{settings, decoder, {ports, events, threads, clock}};
  CalibrationDialog dialog{windows, tone, settings, serialPort};
  WindowHandle window = 0;
  size_t delivered = 0;
};

TEST_F(CalibrationDialogTest, FirstRunTakesEachCornerAfterAHundredReports) {
  // After each corner: the target and prompt on screen, a tone per corner so far, the corners
  // stored.
  struct Row {
    const char* legend;
    int32_t target, prompt;
  };
  const Row rows[] = {
      {"left bottom taken, right top shown", id::kTargetRightTop, id::kPromptRightTop},
      {"right top taken, right bottom shown", id::kTargetRightBottom, id::kPromptRightBottom},
      {"right bottom taken, left top shown", id::kTargetLeftTop, id::kPromptLeftTop},
  };
  size_t wordWritesAtBox = 99;
  windows.onOwnedMessage = [&](const FakeWindowService::Message& m) {
    if (m.caption == "Calibration OK") wordWritesAtBox = WordWrites();
  };
  const int32_t result = Run([&] {
    EXPECT_EQ(windows.cursorCount, -1) << "hidden at initialisation";
    EXPECT_EQ(VisibleOf({kTargets, kPrompts, {id::kWaitText}}), (Ids{kTargets[0], kPrompts[0]}));
    for (size_t step = 0; step < 3; ++step) {
      SCOPED_TRACE(rows[step].legend);
      // The lift from the corner before was a report too, and counts towards this one.
      Touch(kTouched[step], 99 - settings.captureCount, false);
      EXPECT_TRUE(Visible(kTargets[step])) << "99 samples are not enough";
      Touch(kTouched[step], 1, false);
      EXPECT_EQ(VisibleOf({kTargets}), Ids{rows[step].target});
      EXPECT_EQ(VisibleOf({kPrompts}), Ids{rows[step].prompt});
      EXPECT_EQ(log.Tones(), Strings(step + 1, "tone 2500/100"));
      EXPECT_EQ(CornerWrites().size(), step + 1);
      EXPECT_EQ(settings.captureCount, 0);
      EXPECT_EQ(settings.GetDecoderMode(), 1);
      Touch(kTouched[step], 0, true);
    }
    Touch(kTouched[3], 100 - settings.captureCount, false);
  });
  EXPECT_EQ(result, kIdOk);
  EXPECT_EQ(log.Tones(), (Strings{"tone 2500/100", "tone 2500/100", "tone 2500/100",
                                  "tone 1800/100", "tone 2200/100", "tone 2500/100"}));
  EXPECT_EQ(CornerWrites(), kCornerNamesX) << "stored in step order";
  const auto corners = Corners();
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(corners[2 * i], kTouched[i].x, 1) << "loaded into the transform";
    EXPECT_NEAR(corners[2 * i + 1], kTouched[i].y, 1);
    EXPECT_EQ(store.Values().at(kCornerNamesX[i]), corners[2 * i]);
  }
  EXPECT_EQ(settings.GetDecoderMode(), 0);
  EXPECT_EQ(windows.cursorCount, 0);
  const auto messages = windows.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "Calibration OK");
  EXPECT_EQ(messages[0].text, "calibration succesfully completed");
  EXPECT_NE(messages[0].owner, 0u) << "owned by the dialog";
  EXPECT_EQ(wordWritesAtBox, 0u) << "the box comes before the controller write";
  EXPECT_EQ(WordWrites(), 16u) << "then eight corner words, each with its checksum";
}

// How captures add up to a corner, on the second run (step 0) and on the first.
TEST_F(CalibrationDialogTest, CaptureScenarios) {
  struct Row {
    const char* legend;
    bool secondRun;
    size_t corners;
    Strings tones;
    Ids visible;  // among targets, prompts and markers
    std::function<void(CalibrationDialogTest&)> act;
  };
  auto touches = [](std::vector<int> counts) {
    return [counts](CalibrationDialogTest& t) {
      for (int n : counts) t.Touch(kTouched[0], n);
    };
  };
  const Row rows[] = {
      {"second run: the first hundred only advance to the first corner", true, 0, Strings{},
       Ids{kTargets[0], kPrompts[0]}, touches({100})},
      {"second run: the next hundred take it", true, 1, Strings{"tone 2500/100"},
       Ids{kTargets[1], kPrompts[1]}, touches({100, 100})},
      {"several touches on one target add up", false, 1, Strings{"tone 2500/100"},
       Ids{kTargets[1], kPrompts[1]}, touches({30, 30, 39, 1})},
      {"a mouse click under a hundred samples does nothing", false, 0, Strings{},
       Ids{kTargets[0], kPrompts[0]},
       [](CalibrationDialogTest& t) {
         t.Touch(kTouched[0], 50);
         t.windows.LeftButtonDown(t.window);
         t.windows.LeftButtonUp(t.window);
       }},
      {"the hundredth sample is the lift: silent store, marker shown, target kept", false, 1,
       Strings{}, Ids{kTargets[0], kPrompts[0], kMarkers[1]},
       [](CalibrationDialogTest& t) {
         t.Touch(kTouched[0], 99, false);
         t.Touch(kTouched[0], 0, true);
       }},
      {"after a step on the lift the down path goes on", false, 2, Strings{"tone 2500/100"},
       Ids{kTargets[0], kTargets[2], kPrompts[0], kPrompts[2], kMarkers[1]},
       [](CalibrationDialogTest& t) {
         t.Touch(kTouched[0], 99);
         t.Touch(kTouched[1], 100, false);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    dialog.SetStep(row.secondRun ? 0 : 1);
    settings.captureCount = 0;
    log.Clear();
    store.ClearWrites();
    Ids visible;
    Run([&] {
      row.act(*this);
      visible = VisibleOf({kTargets, kPrompts, kMarkers});
      windows.Command(window, kIdCancel);
    });
    std::sort(visible.begin(), visible.end());
    Ids expected = row.visible;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(visible, expected);
    EXPECT_EQ(CornerWrites().size(), row.corners);
    EXPECT_EQ(log.Tones(), row.tones);
  }
}

// Every way a run ends early or goes wrong, and what stays in effect: the cursor always comes
// back, and the controller keeps its corners unless the run completed.
TEST_F(CalibrationDialogTest, WaysOut) {
  using Act = std::function<void(CalibrationDialogTest&)>;
  struct Row {
    const char* legend;
    size_t cornersBefore;  // taken before the way out
    int32_t result;
    Strings captions;
    bool newCorners;  // in the transform afterwards
    Act act;
  };
  const std::string error = "Calibration Error saving data";
  std::vector<Row> rows;
  for (size_t taken = 0; taken < 4; ++taken) {
    rows.push_back({"Escape", taken, kIdCancel, Strings{}, false,
                    [](auto& t) { t.windows.Command(t.window, kIdCancel); }});
  }
  rows.push_back({"the close box", 2, kIdCancel, Strings{}, false,
                  [](auto& t) { t.windows.Close(t.window); }});
  rows.push_back({"the controller write fails: both boxes, new corners in effect", 3, kIdOk,
                  Strings{"Calibration OK", error}, true, [](auto& t) {
                    t.line.failWrite = true;
                    // Not a report past the last step's: the failed write loses the line, and
                    // from then on its reconnecting reader owns the decoder.
                    t.Touch(kTouched[3], 100 - t.settings.captureCount, false);
                  }});
  rows.push_back({"the captured value cannot be read back: nothing stored", 1, kIdCancel,
                  Strings{error}, false, [](auto& t) {
                    // Nothing captured yet.
                    t.Touch(kTouched[1], 99 - t.settings.captureCount, false);
                    t.store.Remove("Click Value Y");
                    t.settings.captureCount = 100;
                    t.windows.LeftButtonDown(t.window);
                  }});
  rows.push_back({"a corner cannot be stored", 2, kIdCancel, Strings{error}, false, [](auto& t) {
                    t.store.failingWrites.insert("Click Value Right Bottom X");
                    t.Touch(kTouched[2], 100);
                  }});
  rows.push_back({"the corners cannot be loaded back: the old ones stay whole", 3, kIdCancel,
                  Strings{error}, false, [](auto& t) {
                    t.store.Remove("Click Value Right Top Y");
                    t.Touch(kTouched[3], 100);
                  }});
  rows.push_back(
      {"the corners are no screen, one cannot be put back, and the program closes "
       "from the retry box",
       3, kIdCancel, Strings{"Calibration not accepted"}, false, [](auto& t) {
         t.store.failingWrites.insert("Click Value Right Top X");
         t.windows.onOwnedMessage = [&t](auto&) { t.windows.Close(t.window); };
         t.Touch(kTouched[0], 100);
       }});
  const auto factory = Corners();
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.legend) + " after " + std::to_string(row.cornersBefore));
    windows.onOwnedMessage = nullptr;
    dialog.SetStep(1);
    settings.captureCount = 0;
    settings.ResetCorners();
    line.failWrite = false;
    store.failingWrites.clear();
    const size_t before = windows.Messages().size();
    EXPECT_EQ(Run([&] {
                for (size_t corner = 0; corner < row.cornersBefore; ++corner) {
                  Touch(kTouched[corner], 100);
                }
                row.act(*this);
              }),
              row.result);
    const auto messages = windows.Messages();
    Strings captions;
    for (size_t i = before; i < messages.size(); ++i) captions.push_back(messages[i].caption);
    EXPECT_EQ(captions, row.captions);
    if (row.result == kIdCancel && !captions.empty()) {
      EXPECT_NE(messages.back().text.find("previous calibration"), std::string::npos);
    }
    EXPECT_EQ(windows.cursorCount, 0);
    EXPECT_EQ(Corners() != factory, row.newCorners);
    EXPECT_EQ(controller.memory.Get(0), sim::ControllerMemory().Get(0));
    for (const auto& name : kCornerNamesX) {
      EXPECT_NE(store.Values().at(name), kSettingsReadFailed) << name;
    }
    // A failed write loses the line, and the reader would reconnect, lifting the touch, while
    // the next row plays the reader's part: each row has a fresh line and reader.
    serialPort.CloseSerialPort(0);
    line.failWrite = false;
    ASSERT_EQ(serialPort.OpenSerialPort("COM5:"), 1);
  }
  // The next run starts again at the left-bottom target, spending a capture on the way.
  Run([&] {
    EXPECT_EQ(VisibleOf({kTargets}), Ids{kTargets[0]});
    Touch(kTouched[0], 100);
    EXPECT_TRUE(Visible(kTargets[0]));
    EXPECT_EQ(dialog.Step(), 1);
    windows.Command(window, kIdCancel);
  });
}

TEST_F(CalibrationDialogTest, TargetsSitWhereThePointerLandsForEachCorner) {
  // The top-left pixels given for 800 x 600 when the dialog was first drawn, in step order.
  const ClientPoint drawn800[] = {{40, 563}, {770, 23}, {770, 563}, {40, 23}};
  const CalibratedPoint corners[] = {{102, 102}, {1945, 1945}, {1945, 102}, {102, 1945}};
  struct Row {
    const char* legend;
    ScreenRect desktop;
  };
  const Row rows[] = {
      {"800 x 600", {0, 0, 800, 600}},
      {"1024 x 768", {0, 0, 1024, 768}},
      {"1920 x 1080", {0, 0, 1920, 1080}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    windows.desktop = row.desktop;
    const int32_t width = row.desktop.right, height = row.desktop.bottom;
    Run([&] {
      EXPECT_TRUE(windows.WindowState(window).maximized);
      for (size_t i = 0; i < 4; ++i) {
        const auto& target = windows.ControlState(window, kTargets[i]);
        const auto& marker = windows.ControlState(window, kMarkers[i]);
        const ClientPoint pointer = PixelOf(corners[i], width, height);
        EXPECT_EQ(target.x + 3, pointer.x) << "the target's centre is the pointer's pixel";
        EXPECT_EQ(target.y + 3, pointer.y);
        EXPECT_EQ(marker.x, target.x);
        EXPECT_EQ(marker.y, target.y);
        if (width == 800) {
          EXPECT_LE(std::abs(target.x - drawn800[i].x), 6);
          EXPECT_LE(std::abs(target.y - drawn800[i].y), 6);
        }
      }
      Ids texts = kPrompts;
      texts.push_back(id::kWaitText);
      for (int32_t text : texts) {
        const auto& state = windows.ControlState(window, text);
        EXPECT_EQ(state.x, 260);
        EXPECT_EQ(state.y, 280);
        EXPECT_EQ(windows.fonts.at(state.font - 1).face, "Arial");
        EXPECT_EQ(windows.fonts.at(state.font - 1).pixelHeight, 20);
        EXPECT_EQ(windows.fonts.at(state.font - 1).weight, 700);
      }
      windows.Command(window, kIdCancel);
    });
  }
}

// The reader thread counts samples while the dialog takes corners and resets the count: no
// reset is ever undone, so no corner is taken on fewer than a hundred fresh samples.
TEST_F(CalibrationDialogTest, CountResetsAndReaderIncrementsNeverLoseEachOther) {
  constexpr int kReports = 350;
  Run([&] {
    std::atomic<bool> done{false};
    std::thread reader([&] {
      const Bytes report = sim::ControllerEmulator::EncodeReport(0x81, 300, 300);
      for (int i = 0; i < kReports; ++i) decoder.DecodeReport(report.data(), 5, 1);
      done = true;
    });
    while (!done) windows.LeftButtonDown(window);
    reader.join();
    windows.LeftButtonDown(window);
    const int taken = dialog.Step() - 1;
    EXPECT_LE(taken * 100 + settings.captureCount, kReports);
    // Samples counted while a corner is being taken still belong to it and go with the reset.
    EXPECT_GE(taken, 1);
    windows.Command(window, kIdCancel);
  });
}

}  // namespace
}  // namespace tavrel
