#include "touch/report_decoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include "testing/fake_pointer_service.h"
#include "testing/fake_settings_store.h"
#include "testing/fake_system_parameters.h"
#include "testing/fake_tone_service.h"
#include "testing/fake_window_service.h"
#include "tests/settings/button_image.h"

namespace tavrel {
namespace {

using Bytes = std::vector<uint8_t>;
using Events = std::vector<std::string>;
constexpr ControlHandle kButton = 7;
constexpr ImageHandle kOnImage = 130, kOffImage = 131;

// Reports as the controller sends them (the encoding is checked below).
Bytes Report(uint8_t status, uint32_t rawX, uint32_t rawY) {
  const ReportBytes bytes = EncodeReport(status, rawX, rawY);
  return {bytes.begin(), bytes.end()};
}
Bytes Down(uint32_t x, uint32_t y) { return Report(kStatusTouching, x, y); }
Bytes Up(uint32_t x, uint32_t y) { return Report(kStatusReleased, x, y); }

TEST(UnpackReportTest, Layouts) {
  struct Row {
    const char* legend;
    Bytes bytes;
    std::optional<TouchReport> expected;
  };
  const Row rows[] = {
      {"81 0F 7F 00 00: X all ones, Y zero", {0x81, 0x0F, 0x7F, 0x00, 0x00}, {{0x81, 2047, 0}}},
      {"80 01 00 00 05: byte 1 bit 0 is X bit 7", {0x80, 0x01, 0x00, 0x00, 0x05}, {{0x80, 128, 5}}},
      {"byte 1 = F0 adds nothing to X", {0x81, 0xF0, 0x00, 0x00, 0x00}, {{0x81, 0, 0}}},
      {"a low byte with bit 7 set ORs into X", {0x81, 0x02, 0x80, 0x0C, 0xFF}, {{0x81, 384, 1791}}},
      {"bytes after the fifth are not looked at",
       {0x80, 0x00, 0x01, 0x00, 0x02, 0x81},
       {{0x80, 1, 2}}},
      {"four bytes are no report", {0x81, 0x0F, 0x7F, 0x00}, std::nullopt},
      {"status 0x82 is no report", {0x82, 0x00, 0x00, 0x00, 0x00}, std::nullopt},
      {"status 0x01 is no report", {0x01, 0x00, 0x00, 0x00, 0x00}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    const auto got = UnpackReport(row.bytes.data(), static_cast<uint32_t>(row.bytes.size()));
    ASSERT_EQ(got.has_value(), row.expected.has_value());
    if (!got) continue;
    EXPECT_EQ(got->status, row.expected->status);
    EXPECT_EQ(got->rawX, row.expected->rawX);
    EXPECT_EQ(got->rawY, row.expected->rawY);
  }
}

// What the emulator sends is what the decoder reads, and no byte but the first can be taken for
// the start of a report.
TEST(EncodeReportTest, RoundTripsEveryCoordinateBitAndNeverFakesAStart) {
  for (const uint8_t status : {kStatusTouching, kStatusReleased}) {
    for (const uint32_t x : {0u, 1u, 0x7Fu, 0x80u, 0x3FFu, 0x400u, 0x555u, 0x2AAu, 2047u}) {
      const uint32_t y = 2047 - x;
      SCOPED_TRACE(std::to_string(status) + " " + std::to_string(x) + "," + std::to_string(y));
      const ReportBytes bytes = EncodeReport(status, x, y);
      const auto report = UnpackReport(bytes.data(), kTouchReportLength);
      ASSERT_TRUE(report.has_value());
      EXPECT_EQ(report->status, status);
      EXPECT_EQ(report->rawX, static_cast<int32_t>(x));
      EXPECT_EQ(report->rawY, static_cast<int32_t>(y));
      EXPECT_TRUE(IsReportStart(bytes[0]));
      for (size_t i = 1; i < bytes.size(); ++i) EXPECT_FALSE(IsReportStart(bytes[i])) << i;
    }
  }
}

// A decoder on fakes, with the settings as on a first start.
struct DecoderRig {
  // Corners under which v = rawX and w = 2047 − rawY exactly.
  void UseUnitCorners() { settings.SetCorners({102, 102, 102, 1945, 1945, 102, 1945, 1945}); }
  // As the reader thread does: the mode is the settings' mode, read just before.
  void Feed(const Bytes& bytes, int32_t mode = kDecoderNormal) {
    settings.SetDecoderMode(mode);
    decoder.DecodeReport(bytes.data(), static_cast<uint32_t>(bytes.size()), mode);
  }
  Events Take() {
    Events events = log.Descriptions();
    log.Clear();
    return events;
  }

  FakeSettingsStore store;
  FakeSystemParameters system;
  FakeWindowService windows;
  ButtonImage image{windows, kButton, kOnImage, kOffImage};
  TouchSettings settings{{store, system, windows}, &image};
  EventLog log;
  FakePointerService pointer{log};
  FakeToneService tone{log};
  ReportDecoder decoder{settings, pointer, tone};
};

class ReportDecoderTest : public ::testing::Test, protected DecoderRig {};

TEST_F(ReportDecoderTest, FactoryCornersWorkedTable) {
  struct Row {
    const char* legend;
    int32_t rawX, rawY;
    CalibratedPoint calibrated;
    const char* move;
  };
  const Row rows[] = {
      {"left-bottom", 126, 1885, {102, 102}, "move 3335,62220"},
      {"left-top", 111, 105, {102, 1945}, "move 3335,2322"},
      {"right-bottom", 1955, 1895, {1945, 102}, "move 63601,62220"},
      {"right-top", 1946, 127, {1945, 1944}, "move 63601,2355"},
      {"middle", 1000, 1000, {987, 1029}, "move 32274,32092"},
  };
  const Corners factory = settings.GetCorners();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    EXPECT_EQ(ApplyCalibration(factory, row.rawX, row.rawY), row.calibrated);
    Feed(Down(row.rawX, row.rawY));
    EXPECT_EQ(Take(), (Events{row.move, "tone 2500/40", "left down"}));
    Feed(Up(row.rawX, row.rawY));
    EXPECT_EQ(Take(), (Events{row.move, "left up"}));
  }
}

TEST_F(ReportDecoderTest, EventSequences) {
  struct Step {
    Bytes bytes;
    int32_t mode = kDecoderNormal;
  };
  struct Row {
    const char* legend;
    std::function<void(DecoderRig&)> setUp;
    std::vector<Step> steps;
    Events expected;
  };
  const auto none = [](DecoderRig&) {};
  const auto box = [](int32_t size) {
    return [size](DecoderRig& t) {
      t.settings.SetClickBoxWidth(size);
      t.settings.SetClickBoxHeight(size);
    };
  };
  // Raw (1000, 1000) is (v, w) = (1000, 1047): "move 32700,31507".
  const Row rows[] = {
      {"touch-down: move, tone, left down",
       none,
       {{Down(1000, 1000)}},
       {"move 32700,31507", "tone 2500/40", "left down"}},
      {"lift: move to the lift point, left up",
       none,
       {{Down(1000, 1000)}, {Up(1005, 1000)}},
       {"move 32700,31507", "tone 2500/40", "left down", "move 32863,31507", "left up"}},
      {"box 0: every report of a continuing touch moves, even in place",
       box(0),
       {{Down(1000, 1000)}, {Down(1000, 1000)}, {Down(1000, 1000)}},
       {"move 32700,31507", "tone 2500/40", "left down", "move 32700,31507", "move 32700,31507"}},
      // The first continuing report passes: the filter starts from w = 1000.
      {"box 5: steps of 4 stay, steps of 5 move",
       box(5),
       {{Down(1000, 1000)},
        {Down(1000, 1000)},
        {Down(1004, 1000)},
        {Down(1000, 996)},
        {Down(996, 1004)},
        {Down(1005, 1000)},
        {Down(1005, 995)}},
       {"move 32700,31507", "tone 2500/40", "left down", "move 32700,31507", "move 32863,31507",
        "move 32863,31345"}},
      {"a new touch moves even inside the click box",
       box(5),
       {{Down(1000, 1000)}, {Down(1000, 1000)}, {Up(1001, 1000)}, {Down(1001, 1000)}},
       {"move 32700,31507", "tone 2500/40", "left down", "move 32700,31507", "move 32732,31507",
        "left up", "move 32732,31507", "tone 2500/40", "left down"}},
      {"beyond the corners moves are not clamped",
       none,
       {{Down(2005, 30)}},
       {"move 65563,-17", "tone 2500/40", "left down"}},
      {"buzzer disabled: no tone",
       [](DecoderRig& t) { t.settings.DisableBuzzer(); },
       {{Down(1000, 1000)}, {Up(1000, 1000)}},
       {"move 32700,31507", "left down", "move 32700,31507", "left up"}},
      {"the tone follows the settings",
       [](DecoderRig& t) {
         t.settings.SetBuzzerFrequency(1000);
         t.settings.SetBuzzerDuration(250);
       },
       {{Down(1000, 1000)}},
       {"move 32700,31507", "tone 1000/250", "left down"}},
      {"short and unknown reports change nothing, not even the status",
       none,
       {{Bytes{0x81, 0x0F, 0x7F, 0x00}}, {Bytes{0x82, 0, 0, 0, 0}}, {Up(1000, 1000)}},
       {"move 32700,31507"}},
      {"unreadable right-click value counts as off",
       [](DecoderRig& t) { t.store.Remove("RightClickEnabled"); },
       {{Down(1000, 1000)}, {Up(1000, 1000)}},
       {"move 32700,31507", "tone 2500/40", "left down", "move 32700,31507", "left up"}},
      {"capture: no move, no tone, two downs per touching report, one up per lift",
       none,
       {{Down(1000, 1000), kDecoderCapture},
        {Down(1000, 1000), kDecoderCapture},
        {Up(1000, 1000), kDecoderCapture}},
       {"left down", "left down", "left down", "left down", "left up"}},
      {"another mode: no move, no tone, transitions as in normal mode",
       none,
       {{Down(1000, 1000), 2}, {Down(1000, 1000), 2}, {Up(1000, 1000), 2}},
       {"left down", "left up"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    DecoderRig fresh;
    fresh.UseUnitCorners();
    row.setUp(fresh);
    for (const Step& step : row.steps) fresh.Feed(step.bytes, step.mode);
    EXPECT_EQ(fresh.Take(), row.expected);
  }
}

TEST_F(ReportDecoderTest, RightClickIsOneShot) {
  UseUnitCorners();
  store.Put("RightClickEnabled", 1);
  Feed(Down(1000, 1000));
  Feed(Up(1000, 1000));
  EXPECT_EQ(Take(), (Events{"move 32700,31507", "tone 2500/40", "right down", "move 32700,31507",
                            "right up"}));
  EXPECT_EQ(store.Values().at("RightClickEnabled"), 0);
  EXPECT_EQ(windows.ButtonImage(kButton), kOffImage);

  Feed(Down(1000, 1000));
  Feed(Up(1000, 1000));
  EXPECT_EQ(Take(), (Events{"move 32700,31507", "tone 2500/40", "left down", "move 32700,31507",
                            "left up"}));
}

TEST_F(ReportDecoderTest, RightClickOffImageShowsEvenWhenTheWriteFails) {
  store.Put("RightClickEnabled", 1);
  store.failingWrites = {"RightClickEnabled"};
  decoder.SendButton(kStatusReleased);
  EXPECT_EQ(Take(), Events{"right up"});
  EXPECT_EQ(windows.ButtonImage(kButton), kOffImage);
}

TEST_F(ReportDecoderTest, RefusedEventsChangeNothing) {
  UseUnitCorners();
  pointer.accepts = false;
  Feed(Down(1000, 1000));
  Feed(Up(1000, 1000));
  Feed(Down(1000, 1000));
  EXPECT_EQ(Take(), (Events{"move 32700,31507", "tone 2500/40", "left down", "move 32700,31507",
                            "left up", "move 32700,31507", "tone 2500/40", "left down"}));
}

TEST_F(ReportDecoderTest, ButtonEventsCarryNoMoveAndKeepTheLastPosition) {
  decoder.MoveTo(-5, 70000);
  decoder.SendButton(kStatusTouching);
  const std::vector<RecordedEvent> events = log.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[2].input.dwFlags, kMouseLeftDown);
  EXPECT_EQ(events[2].input.dx, -5);
  EXPECT_EQ(events[2].input.dy, 70000);
  EXPECT_EQ(events[2].input.mouseData, 0u);
  EXPECT_EQ(events[2].input.time, 0u);
}

TEST_F(ReportDecoderTest, CaptureAveragesAndStoresFromTheHundredthSample) {
  settings.captureX = 0xFFFFFFFF;  // The sum wraps as unsigned and shifts in a zero.
  store.ClearWrites();
  Feed(Down(2047, 1000), kDecoderCapture);
  EXPECT_EQ(settings.captureX, 1023u);
  EXPECT_EQ(settings.captureY, 500u);
  Feed(Up(1, 0), kDecoderCapture);
  EXPECT_EQ(settings.captureX, 512u);
  EXPECT_EQ(settings.captureY, 250u);

  for (int sample = 3; sample <= 99; ++sample) Feed(Down(1000, 1000), kDecoderCapture);
  EXPECT_EQ(settings.captureCount, 99);
  EXPECT_TRUE(store.Writes().empty()) << "nothing is stored before the 100th sample";
  std::vector<int32_t> countsWhileStoring;
  store.onWrite = [&](std::string_view) { countsWhileStoring.push_back(settings.captureCount); };
  Feed(Down(1000, 1000), kDecoderCapture);
  store.onWrite = nullptr;
  EXPECT_EQ(countsWhileStoring, (std::vector<int32_t>{99, 99}))
      << "the pair is stored before the window can see the 100th sample counted";
  EXPECT_EQ(settings.captureCount, 100);
  EXPECT_EQ(store.Writes(), (std::vector<std::string>{"Click Value X", "Click Value Y"}));
  EXPECT_EQ(store.Values().at("Click Value X"), 999);  // Converging on 1000 from below.
  Feed(Down(1000, 1000), kDecoderCapture);
  EXPECT_EQ(store.Writes().size(), 4u) << "every later sample stores again";

  store.failingWrites = {"Click Value X"};
  Feed(Down(1000, 1000), kDecoderCapture);
  EXPECT_EQ(store.Writes().size(), 5u) << "a failed X still lets Y be stored";

  settings.captureCount = 0;
  Feed(Down(1000, 1000), kDecoderCapture);
  EXPECT_EQ(store.Writes().size(), 5u) << "a reset count starts over";
}

// The calibration window takes a corner by resetting the count while the reader keeps counting:
// neither may lose the other.
TEST_F(ReportDecoderTest, CaptureCountSurvivesConcurrentResets) {
  constexpr int kReports = 5000;
  std::atomic<bool> done{false};
  auto reader = std::async(std::launch::async, [&] {
    const Bytes report = Down(1000, 1000);
    for (int i = 0; i < kReports; ++i) Feed(report, kDecoderCapture);
    done = true;
  });
  int64_t taken = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    if (settings.captureCount >= 100) taken += settings.captureCount.exchange(0);
    std::this_thread::yield();
  }
  ASSERT_EQ(reader.wait_for(std::chrono::seconds(1)), std::future_status::ready);
  EXPECT_EQ(taken + settings.captureCount, kReports);
}

}  // namespace
}  // namespace tavrel
