// SetupDialog over the fake window, fake tone and system settings, and a CTvSerialPort on a fake
// line whose far side plays the controller; the reader thread is real.
#include "setup/setup_dialog.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "link/controller_wire.h"
#include "resources/resource_ids.h"
#include "testing/fake_clock.h"
#include "testing/fake_controller.h"
#include "testing/fake_events.h"
#include "testing/fake_serial.h"
#include "testing/fake_threads.h"
#include "testing/link_test_support.h"

namespace tavrel {
namespace {

namespace id = resource_id;
using Texts = std::map<int32_t, std::string>;
using SP = SystemParameter;

const Bytes kFirmware = {0x0A, 0x05, 0x44, '2', '.', '0', '5'};
const Bytes kModel = {0x0A, 0x07, 0x46, 'T', 'V', '4', '0', '0', '1'};

// The program around one dialog, and the controller on the far side of its line.
struct Rig {
  Rig() {
    controller.Attach(line);
    program.system.Set(SP::kDoubleClickTime, 500);
    program.store.ClearWrites();
    EXPECT_EQ(port.OpenSerialPort("COM5:"), link_result::kOk);
  }

  // Runs the dialog; the script acts on the open window.
  int32_t Run(const std::function<void(WindowHandle)>& script) {
    windows.scripts[id::kSetupDialog] = script;
    return dialog.Run(0);
  }
  Texts TextsOf(WindowHandle h, std::initializer_list<int32_t> ids) const {
    Texts texts;
    for (int32_t control : ids) texts[control] = windows.ControlState(h, control).text;
    return texts;
  }
  int32_t Pos(WindowHandle h, int32_t trackbar) const {
    return windows.ControlState(h, trackbar).pos;
  }
  // True once a touch sent now reaches the pointer: the reader was released.
  bool TouchReachesPointer() {
    const size_t before = program.log.Total();
    ports.With(line, [](FakeLine& l) { l.incoming.push_back({0x81, 0x03, 0x10, 0x04, 0x20}); });
    return WaitUntil([&] { return program.log.Total() > before; });
  }
  // The command letters written, with '*' for the unframed defaults command sent whole.
  std::string Requests() {
    std::string letters;
    ports.With(line, [&](FakeLine& l) {
      for (const Bytes& w : l.written) {
        if (w.size() > 2) letters += static_cast<char>(w[2]);
        if (w == Bytes{0x1D, 0x40}) letters += '*';
      }
    });
    return letters;
  }

  ProgramSide program;
  FakeWindowService& windows = program.windows;
  FakeClock clock;
  FakeEventService events{clock};
  FakeSerialPorts ports{events};
  FakeThreadService threads;
  FakeLine& line = ports.Add("COM5:");
  CTvSerialPort port{program.settings, program.decoder, {ports, events, threads, clock}};
  SetupDialog dialog{port, program.settings, {program.windows, program.system, program.tone}};

  FakeController controller;
};

TEST(SetupDialogTest, ControllerInformationShowsEachOutcomeAndReleasesTheReader) {
  struct Row {
    const char* legend;
    bool present;
    Bytes firmware, model;
    const char *firmwareLine, *modelLine, *requests;
  };
  const Row rows[] = {
      {"both answered", true, kFirmware, kModel, "Firmware release: 2.05",
       "Touch screen controller model: TV4001", "ADF"},
      {"controller absent", false, Bytes{}, Bytes{}, "Touch screen controller not present",
       "Touch model reading", "A"},
      {"stray bytes before the header", true,
       Bytes{0x81, 0x0A, 0x01, 0x0A, 0x05, 0x44, '1', '.', '0', '2'}, kModel,
       "Firmware release: 1.02", "Touch screen controller model: TV4001", "ADF"},
      {"firmware silent: model not asked", true, Bytes{}, kModel, "Error reading firmware release",
       "Touch model reading", "AD"},
      {"firmware without header", true, Bytes{'1', '.', '0', '2'}, kModel,
       "Firmware release reading", "Touch model reading", "AD"},
      {"model silent", true, kFirmware, Bytes{}, "Firmware release: 2.05",
       "Error reading Touch Controller model", "ADF"},
      {"model without header", true, kFirmware, Bytes{0x0A, 0x06, 0x46, 'T'},
       "Firmware release: 2.05", "Touch model reading", "ADF"},
      {"short answers show nothing stale", true, Bytes{0x0A, 0x05, 0x44, '3', '.', '1', '4', '1'},
       Bytes{0x0A, 0x07, 0x46, 'A', 'B'}, "Firmware release: 3.14",
       "Touch screen controller model: AB", "ADF"},
      {"a zero or a high byte", true, Bytes{0x0A, 0x05, 0x44, '1', 0xE9, 0, '2'}, kModel,
       "Firmware release: 1\xC3\xA9", "Touch screen controller model: TV4001", "ADF"},
      {"control bytes show as escapes", true, Bytes{0x0A, 0x05, 0x44, '1', '\n', 0x1B, 0x9B},
       Bytes{0x0A, 0x07, 0x46, '<', 'b', '>', 0x7F, '\r', '!'},
       "Firmware release: 1\\x0a\\x1b\\x9b", "Touch screen controller model: <b>\\x7f\\x0d!",
       "ADF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Rig rig;
    if (!row.present) rig.controller.unanswered.insert(wire::kPresence);
    rig.controller.given[wire::kFirmwareRelease] = {row.firmware};
    rig.controller.given[wire::kModel] = {row.model};
    Texts texts;
    bool memoryLineVisible = true;
    rig.Run([&](WindowHandle h) {
      texts = rig.TextsOf(h, {id::kFirmwareLine, id::kModelLine, id::kMemoryLine});
      memoryLineVisible = rig.windows.ControlState(h, id::kMemoryLine).visible;
      EXPECT_NE(rig.windows.ControlState(h, id::kFirmwareLine).font, 0u);
      rig.windows.Command(h, kIdCancel);
    });
    EXPECT_EQ(texts[id::kFirmwareLine], row.firmwareLine);
    EXPECT_EQ(texts[id::kModelLine], row.modelLine);
    EXPECT_EQ(texts[id::kMemoryLine], "Touch controller memory checking");
    EXPECT_FALSE(memoryLineVisible);
    EXPECT_EQ(rig.Requests(), row.requests);
    EXPECT_TRUE(rig.TouchReachesPointer());
  }
}

TEST(SetupDialogTest, MemoryCheckShowsItsThreeOutcomesAndLeavesTheDialogUsable) {
  struct Row {
    const char* legend;
    bool badChecksum;
    int failAtRead;
    bool hangUp, refuseDefaults;
    const char* text;
    std::vector<std::string> tones;
    bool defaultsSent, touchAfter;
  };
  const std::vector<std::string> kChime = {"tone 2000/100", "tone 2500/100", "tone 3000/100"};
  const char* kMismatch = "Touch Controller memory error! Loading default calibration data";
  const char* kError = "Error checking touch controller memory";
  const char* kLost = "Touch screen controller lost; reconnecting";
  const Row rows[] = {
      {"sound memory", false, 1000, false, false, "Memory checked successfully!", kChime, false,
       true},
      {"checksum mismatch", true, 1000, false, false, kMismatch, {}, true, true},
      {"mismatch, defaults not sent", true, 1000, false, true, kMismatch, {}, false, true},
      {"silent from word 10", false, 11, false, false, kError, {}, false, true},
      {"hang-up at word 30", false, 31, true, false, kLost, {}, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Rig rig;
    if (row.badChecksum)
      rig.controller.memory.Set(63, static_cast<uint16_t>(rig.controller.memory.Get(63) + 1));
    rig.controller.failAtRead = row.failAtRead;
    rig.controller.hangUpAtFailure = row.hangUp;
    rig.controller.refuseDefaults = row.refuseDefaults;
    std::string text;
    bool lineShown = false, buttonShown = false;
    const int32_t result = rig.Run([&](WindowHandle h) {
      rig.windows.Command(h, id::kCheckMemoryButton);
      text = rig.windows.ControlState(h, id::kMemoryLine).text;
      lineShown = rig.windows.ControlState(h, id::kMemoryLine).visible;
      buttonShown = rig.windows.ControlState(h, id::kCheckMemoryButton).visible;
      rig.windows.Command(h, kIdOk);
    });
    EXPECT_EQ(result, kIdOk) << "the dialog still works";
    EXPECT_EQ(text, row.text);
    EXPECT_TRUE(lineShown && buttonShown);
    EXPECT_EQ(rig.program.log.Tones(), row.tones);
    EXPECT_EQ(rig.Requests().ends_with("*"), row.defaultsSent);
    EXPECT_EQ(rig.controller.wordReads, std::min(row.failAtRead, 64));
    if (row.touchAfter) {
      EXPECT_TRUE(rig.TouchReachesPointer());
    }
  }
}

TEST(SetupDialogTest, TrackbarsShowStoredValuesWithinTheirRangesAndOkStoresThem) {
  struct Row {
    const char* legend;
    int32_t (TouchSettings::*set)(int32_t);
    int32_t stored;
    int32_t trackbar, label;
    std::string_view name;
    int32_t shown;
  };
  const Row rows[] = {
      {"500 Hz shows 1000", &TouchSettings::SetBuzzerFrequency, 500, id::kFreqTrackbar,
       id::kFreqLabel, value_name::kBuzzerFrequency, 1000},
      {"in range unchanged", &TouchSettings::SetBuzzerDuration, 40, id::kLenTrackbar, id::kLenLabel,
       value_name::kBuzzerDuration, 40},
      {"click box 80 shows 50", &TouchSettings::SetClickBoxWidth, 80, id::kClickWidthTrackbar,
       id::kClickWidthLabel, value_name::kClickBoxWidth, 50},
      {"negative shows 0", &TouchSettings::SetClickBoxHeight, -3, id::kClickHeightTrackbar,
       id::kClickHeightLabel, value_name::kClickBoxHeight, 0},
      {"double-click width", &TouchSettings::SetDoubleClickWidth, 12, id::kDblClickWidthTrackbar,
       id::kDblClickWidthLabel, value_name::kDoubleClickWidth, 12},
      {"double-click height", &TouchSettings::SetDoubleClickHeight, 201,
       id::kDblClickHeightTrackbar, id::kDblClickHeightLabel, value_name::kDoubleClickHeight, 200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Rig rig;
    (rig.program.settings.*row.set)(row.stored);
    Texts texts;
    int32_t pos = -1;
    rig.Run([&](WindowHandle h) {
      pos = rig.Pos(h, row.trackbar);
      texts = rig.TextsOf(h, {row.label, id::kDblClickDelayLabel});
      rig.windows.Command(h, kIdOk);
    });
    EXPECT_EQ(pos, row.shown);
    EXPECT_EQ(texts[row.label], std::to_string(row.shown));
    EXPECT_EQ(texts[id::kDblClickDelayLabel], "500") << "the system's double-click time";
    EXPECT_EQ(rig.program.store.Read(row.name), row.shown);
    EXPECT_EQ(rig.program.store.Read(value_name::kDoubleClickDelay), 500);
    EXPECT_EQ(rig.program.store.Writes(),
              (std::vector<std::string>{"Buzzer Frequency (Hz)", "Buzzer Duration (msec)",
                                        "X Movement Filter", "Y Movement Filter", "Mouse Tracking",
                                        "X Single Movement Filter", "Y Single Movement Filter",
                                        "Double Click Delay"}));
  }
}

TEST(SetupDialogTest, AnyTrackbarMoveAppliesAllFiveLiveValues) {
  for (int32_t trackbar : {id::kFreqTrackbar, id::kLenTrackbar, id::kDblClickWidthTrackbar,
                           id::kDblClickHeightTrackbar, id::kDblClickDelayTrackbar,
                           id::kClickWidthTrackbar, id::kClickHeightTrackbar}) {
    SCOPED_TRACE(trackbar);
    Rig rig;
    auto& settings = rig.program.settings;
    settings.SetDoubleClickWidth(7), settings.SetDoubleClickHeight(9);
    settings.SetClickBoxWidth(3), settings.SetClickBoxHeight(4);
    rig.Run([&](WindowHandle h) {
      settings.SetClickBoxWidth(-1), settings.SetClickBoxHeight(-1);
      const size_t before = rig.program.system.Calls().size();
      rig.windows.MoveTrackbar(h, trackbar, rig.Pos(h, trackbar));
      const auto calls = rig.program.system.Calls();
      const decltype(calls) live(calls.begin() + static_cast<ptrdiff_t>(before), calls.end());
      EXPECT_EQ(live, (decltype(calls){{SP::kDoubleClickWidth, 7},
                                       {SP::kDoubleClickHeight, 9},
                                       {SP::kDoubleClickTime, 500}}));
      EXPECT_EQ(settings.GetClickBoxWidth(), 3);
      EXPECT_EQ(settings.GetClickBoxHeight(), 4);
      rig.windows.Command(h, kIdCancel);
    });
  }
}

TEST(SetupDialogTest, EveryWayOutEnablesTheBuzzerAndOnlyOkStores) {
  struct Row {
    const char* legend;
    std::function<void(FakeWindowService&, WindowHandle)> close;
    int32_t result;
    bool stored;
    std::string unstored;  // the message of an OK whose writes all fail
  };
  const Row rows[] = {
      {"OK", [](FakeWindowService& w, WindowHandle h) { w.Command(h, kIdOk); }, kIdOk, true, ""},
      {"OK with a store that takes nothing",
       [](FakeWindowService& w, WindowHandle h) { w.Command(h, kIdOk); }, kIdOk, false,
       "Settings not stored: Freq (Hz), Len (msec), DblClick width, DblClick height, Touch Screen "
       "tracking, Click width, Click height, DblClick delay. They apply until the program ends."},
      {"Cancel", [](FakeWindowService& w, WindowHandle h) { w.Command(h, kIdCancel); }, kIdCancel,
       false, ""},
      {"close box", [](FakeWindowService& w, WindowHandle h) { w.SysCommand(h, kSysCommandClose); },
       kIdCancel, false, ""},
      {"close request", [](FakeWindowService& w, WindowHandle h) { w.SendClose(h); }, kIdCancel,
       false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Rig rig;
    auto& settings = rig.program.settings;
    settings.DisableBuzzer();
    if (!row.unstored.empty()) rig.program.store.Close();
    int32_t buzzerWhileOpen = -1;
    const int32_t result = rig.Run([&](WindowHandle h) {
      buzzerWhileOpen = settings.IsBuzzerEnabled();
      rig.windows.MoveTrackbar(h, id::kDblClickWidthTrackbar, 40);
      rig.windows.MoveTrackbar(h, id::kClickWidthTrackbar, 22);
      rig.windows.ClickCheckBox(h, id::kTrackingCheckBox);
      row.close(rig.windows, h);
    });
    EXPECT_EQ(result, row.result);
    EXPECT_EQ(buzzerWhileOpen, 0);
    EXPECT_EQ(settings.IsBuzzerEnabled(), 1);
    EXPECT_EQ(rig.program.system.Current(SP::kDoubleClickWidth), 40) << "live, kept";
    EXPECT_EQ(rig.program.system.Current(SP::kMouseTrails), 10) << "live, kept";
    EXPECT_EQ(settings.GetClickBoxWidth(), 22) << "live, kept";
    if (row.stored) {
      EXPECT_EQ(rig.program.store.Read(value_name::kDoubleClickWidth), 40);
      EXPECT_EQ(rig.program.store.Read(value_name::kMouseTracking), 1);
      EXPECT_EQ(rig.program.store.Read(value_name::kClickBoxWidth), 22);
    } else {
      EXPECT_TRUE(rig.program.store.Writes().empty());
    }
    const auto messages = rig.windows.Messages();
    EXPECT_EQ(messages.empty() ? "" : messages.back().text, row.unstored);
  }
}

TEST(SetupDialogTest, TrackingTogglesTheSystemTrailsAndTryPlaysTheShownTone) {
  struct Row {
    const char* legend;
    int32_t trailsBefore, trailsAfter;
  };
  const Row rows[] = {{"off", 0, 10}, {"one counts as off", 1, 10}, {"on", 10, 0}, {"two", 2, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    Rig rig;
    rig.program.system.Set(SP::kMouseTrails, row.trailsBefore);
    rig.program.settings.SetMouseTracking(1);
    bool checked = false;
    rig.Run([&](WindowHandle h) {
      checked = rig.windows.ControlState(h, id::kTrackingCheckBox).checked;
      rig.windows.Command(h, id::kTrackingCheckBox);  // the mark plays no part
      rig.windows.MoveTrackbar(h, id::kFreqTrackbar, 20000);
      rig.windows.MoveTrackbar(h, id::kLenTrackbar, 30);
      rig.windows.Command(h, id::kTryButton);
      rig.windows.Command(h, kIdCancel);
    });
    EXPECT_TRUE(checked) << "the box shows the stored tracking";
    EXPECT_EQ(rig.program.system.Current(SP::kMouseTrails), row.trailsAfter);
    EXPECT_EQ(rig.program.log.Tones(), std::vector<std::string>{"tone 10000/30"})
        << "while silenced too";
  }
}

}  // namespace
}  // namespace tavrel
