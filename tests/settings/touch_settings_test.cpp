#include "settings/touch_settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "testing/fake_log_sink.h"
#include "testing/fake_settings_store.h"
#include "testing/fake_system_parameters.h"
#include "testing/fake_window_service.h"
#include "tests/settings/button_image.h"

namespace tavrel {
namespace {

namespace vn = value_name;
constexpr ControlHandle kButton = 7;
constexpr ImageHandle kOnImage = 130, kOffImage = 131;

class TouchSettingsTest : public ::testing::Test {
 protected:
  std::unique_ptr<TouchSettings> Create() {
    return std::make_unique<TouchSettings>(TouchSettings::Platform{store, system, windows}, &image);
  }

  FakeSettingsStore store;
  FakeSystemParameters system;
  FakeWindowService windows;
  ButtonImage image{windows, kButton, kOnImage, kOffImage};
};

TEST_F(TouchSettingsTest, FirstLoadWritesEighteenDefaultsAndAppliesSystemValues) {
  auto settings = Create();
  const std::map<std::string, int32_t> expected = {
      {"RightClickEnabled", 0},
      {"Serial Port", 5},
      {"Click Value Left Top X", 111},
      {"Click Value Left Top Y", 105},
      {"Click Value Left Bottom X", 126},
      {"Click Value Left Bottom Y", 1885},
      {"Click Value Right Top X", 1946},
      {"Click Value Right Top Y", 127},
      {"Click Value Right Bottom X", 1955},
      {"Click Value Right Bottom Y", 1895},
      {"Buzzer Frequency (Hz)", 2500},
      {"Buzzer Duration (msec)", 40},
      {"X Movement Filter", 110},
      {"Y Movement Filter", 110},
      {"Mouse Tracking", 0},
      {"X Single Movement Filter", 5},
      {"Y Single Movement Filter", 5},
      {"Double Click Delay", 900},
  };
  EXPECT_EQ(store.Values(), expected);
  EXPECT_EQ(settings->GetBuzzerFrequency(), 2500);
  EXPECT_EQ(settings->GetBuzzerDuration(), 40);
  EXPECT_EQ(settings->GetDoubleClickWidth(), 110);
  EXPECT_EQ(settings->GetDoubleClickHeight(), 110);
  EXPECT_EQ(settings->GetMouseTracking(), 0);
  EXPECT_EQ(settings->GetClickBoxWidth(), 5);
  EXPECT_EQ(settings->GetClickBoxHeight(), 5);
  EXPECT_EQ(settings->GetDecoderMode(), 0);
  EXPECT_EQ(settings->IsBuzzerEnabled(), 1);
  EXPECT_EQ(system.Current(SystemParameter::kDoubleClickWidth), 110);
  EXPECT_EQ(system.Current(SystemParameter::kDoubleClickHeight), 110);
  EXPECT_EQ(system.Current(SystemParameter::kDoubleClickTime), 900);
  EXPECT_EQ(system.Current(SystemParameter::kMouseTrails), 0);
}

TEST_F(TouchSettingsTest, LoadKeepsStoredValuesAndReplacesUnreadableOnes) {
  struct Row {
    const char* legend;
    std::string name;
    int32_t stored;
    int32_t loaded;
  };
  const Row rows[] = {
      {"a stored frequency survives", "Buzzer Frequency (Hz)", 4000, 4000},
      {"-130 cannot be told from missing", "Buzzer Frequency (Hz)", -130, 2500},
      {"stored duration", "Buzzer Duration (msec)", 250, 250},
      {"stored click box", "X Single Movement Filter", 0, 0},
      {"stored port is left alone", "Serial Port", 3, 3},
      {"right click is switched off", "RightClickEnabled", 1, 0},
      {"corners are reset at every start", "Click Value Left Top X", 500, 111},
      {"corners are reset at every start", "Click Value Right Bottom Y", 1, 1895},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeSettingsStore fresh;
    fresh.Put(row.name, row.stored);
    TouchSettings settings({fresh, system, windows}, &image);
    EXPECT_EQ(fresh.Values().at(row.name), row.loaded);
  }
}

// A hand-edited tone length stalls the reader (0xFFFFFFFF: 49 days): clamped for the run, logged.
TEST_F(TouchSettingsTest, StoredToneValuesAreClampedAtLoadAndTheStoreKeepsThem) {
  const std::string kHz = "Buzzer Frequency (Hz)", kMs = "Buzzer Duration (msec)";
  const std::tuple<std::string, int32_t, int32_t> rows[] = {
      {kMs, -1, 0},  {kMs, 251, 250},   {kMs, 250, 250},     {kMs, 0, 0},        {kHz, 36, 37},
      {kHz, 37, 37}, {kHz, 1000, 1000}, {kHz, 32767, 32767}, {kHz, 32768, 32767}};
  for (const auto& [name, stored, loaded] : rows) {
    SCOPED_TRACE(name + " " + std::to_string(stored));
    FakeLogSink sink;
    FakeSettingsStore fresh;
    fresh.Put(name, stored);
    TouchSettings settings({fresh, system, windows}, &image);
    EXPECT_EQ(name == kMs ? settings.GetBuzzerDuration() : settings.GetBuzzerFrequency(), loaded);
    EXPECT_EQ(fresh.Values().at(name), stored);
    EXPECT_EQ(sink.Lines().size(), loaded == stored ? 0u : 1u);
  }
}

TEST_F(TouchSettingsTest, MouseTrackingDecidesPointerTrails) {
  struct Row {
    const char* legend;
    std::optional<int32_t> stored;
    int32_t trails;
  };
  const Row rows[] = {
      {"on", 1, 10},
      {"only 1 means on", 2, 0},
      {"off", 0, 0},
      {"missing: off, written", std::nullopt, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.legend);
    FakeSettingsStore fresh;
    FakeSystemParameters params;
    if (row.stored) fresh.Put("Mouse Tracking", *row.stored);
    TouchSettings settings({fresh, params, windows}, &image);
    EXPECT_EQ(params.Current(SystemParameter::kMouseTrails), row.trails);
    EXPECT_EQ(settings.GetMouseTracking(), row.stored.value_or(0));
  }
}

TEST_F(TouchSettingsTest, UnopenableStoreKeepsDefaultsAndFailsEveryAccess) {
  store.openSucceeds = false;
  auto settings = Create();
  EXPECT_EQ(settings->Load(), -100);
  EXPECT_TRUE(store.Values().empty());
  EXPECT_TRUE(system.Calls().empty());
  EXPECT_EQ(settings->GetBuzzerFrequency(), 2500);
  EXPECT_EQ(settings->GetBuzzerDuration(), 40);
  EXPECT_EQ(settings->GetDoubleClickWidth(), 110);
  EXPECT_EQ(settings->GetClickBoxHeight(), 5);
  EXPECT_EQ(settings->leftBottomY, 1885);
  EXPECT_EQ(settings->ReadSerialPort(), -130);
  EXPECT_EQ(settings->ReadRightClickEnabled(), -130);
  EXPECT_EQ(settings->SaveBuzzerFrequency(3000), -120);
  EXPECT_EQ(settings->SaveLeftTop(1, 2), -120);
  EXPECT_EQ(settings->LoadCorners(), -130);
}

TEST_F(TouchSettingsTest, LoadCornersStopsAtTheFirstMissingValue) {
  auto settings = Create();
  store.Put("Click Value Left Top X", 10);
  store.Put("Click Value Left Top Y", 11);
  store.Put("Click Value Left Bottom X", 12);
  store.Put("Click Value Left Bottom Y", 13);
  store.Remove("Click Value Right Top X");
  store.Put("Click Value Right Top Y", 99);
  EXPECT_EQ(settings->LoadCorners(), -130);
  EXPECT_EQ(settings->leftTopX, 10);
  EXPECT_EQ(settings->leftTopY, 11);
  EXPECT_EQ(settings->leftBottomX, 12);
  EXPECT_EQ(settings->leftBottomY, 13);
  EXPECT_EQ(settings->rightTopX, -130);
  EXPECT_EQ(settings->rightTopY, 127);
  EXPECT_EQ(settings->rightBottomX, 1955);
  EXPECT_EQ(settings->rightBottomY, 1895);

  store.Put("Click Value Right Top X", 20);
  EXPECT_EQ(settings->LoadCorners(), 1);
  EXPECT_EQ(settings->rightTopY, 99);
}

TEST_F(TouchSettingsTest, CornerWriteSkipsYWhenXFails) {
  auto settings = Create();
  store.ClearWrites();
  store.failingWrites = {"Click Value Left Top X"};
  EXPECT_EQ(settings->SaveLeftTop(300, 400), -120);
  EXPECT_TRUE(store.Writes().empty());

  store.failingWrites = {"Click Value Right Bottom Y"};
  EXPECT_EQ(settings->SaveRightBottom(300, 400), -120);
  EXPECT_EQ(store.Writes(), std::vector<std::string>{"Click Value Right Bottom X"});
  EXPECT_EQ(settings->SaveLeftBottom(5, 6), 1);
}

TEST_F(TouchSettingsTest, ResetCornersSetsFieldsEvenWhenWritesFail) {
  auto settings = Create();
  settings->leftTopX = 1;
  settings->rightBottomY = 2;
  store.failingWrites = {"Click Value Left Top X", "Click Value Right Bottom X"};
  EXPECT_EQ(settings->ResetCorners(), 1);
  EXPECT_EQ(settings->leftTopX, 111);
  EXPECT_EQ(settings->leftTopY, 105);
  EXPECT_EQ(settings->rightBottomY, 1895);
}

TEST_F(TouchSettingsTest, SaveChangesTheStoreOnly) {
  auto settings = Create();
  EXPECT_EQ(settings->SaveBuzzerFrequency(7000), 1);
  EXPECT_EQ(settings->ReadBuzzerFrequency(), 7000);
  EXPECT_EQ(settings->GetBuzzerFrequency(), 2500);
  EXPECT_EQ(settings->ReadCapturedX(), -130);
  EXPECT_EQ(settings->SaveCapturedX(1234), 1);
  EXPECT_EQ(settings->ReadCapturedX(), 1234);
}

TEST_F(TouchSettingsTest, CloseReportsFailureOnce) {
  auto settings = Create();
  EXPECT_EQ(settings->Close(), 1);
  EXPECT_EQ(settings->Close(), -110);
  EXPECT_EQ(settings->SaveSerialPort(3), -120);
}

TEST_F(TouchSettingsTest, PanelRectGivesWidthAndHeight) {
  auto settings = Create();
  EXPECT_EQ(settings->SetPanelRect(100, 200, 160, 250), 1);
  EXPECT_EQ(settings->GetPanelWidth(), 60);
  EXPECT_EQ(settings->GetPanelHeight(), 50);
  settings->SetDesktopRect(0, 0, 1024, 768);
  EXPECT_EQ(settings->GetDesktopRect(), (Rect{0, 0, 1024, 768}));
}

TEST_F(TouchSettingsTest, RightClickStateShowsOnImageOnlyForOne) {
  auto settings = Create();
  const std::pair<int32_t, ImageHandle> rows[] = {
      {1, kOnImage}, {0, kOffImage}, {2, kOffImage}, {-130, kOffImage}};
  for (auto [on, image] : rows) {
    EXPECT_EQ(settings->ShowRightClickState(on), 1);
    EXPECT_EQ(windows.ButtonImage(kButton), image) << "on = " << on;
  }
}

TEST_F(TouchSettingsTest, MessagesCarryTheDebuggingCaption) {
  auto settings = Create();
  settings->ShowMessage("Failed checking for Touch Controller device");
  ASSERT_EQ(windows.Messages().size(), 1u);
  EXPECT_EQ(windows.Messages()[0].caption, "Debugging...");
  EXPECT_EQ(windows.Messages()[0].text, "Failed checking for Touch Controller device");
}

// The controller's memory layout, the stored names and the fields all come from one table.
TEST_F(TouchSettingsTest, EachControllerWordHoldsOneNamedCornerField) {
  struct Row {
    uint8_t word;
    const char* name;
    std::atomic<int32_t> TouchSettings::*field;
    int32_t factory;
  };
  const Row rows[] = {
      {0, "Click Value Left Bottom X", &TouchSettings::leftBottomX, 126},
      {1, "Click Value Left Bottom Y", &TouchSettings::leftBottomY, 1885},
      {2, "Click Value Right Bottom X", &TouchSettings::rightBottomX, 1955},
      {3, "Click Value Right Bottom Y", &TouchSettings::rightBottomY, 1895},
      {4, "Click Value Left Top X", &TouchSettings::leftTopX, 111},
      {5, "Click Value Left Top Y", &TouchSettings::leftTopY, 105},
      {6, "Click Value Right Top X", &TouchSettings::rightTopX, 1946},
      {7, "Click Value Right Top Y", &TouchSettings::rightTopY, 127},
  };
  auto settings = Create();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const CornerValue& corner = CornerValueOfWord(row.word);
    EXPECT_EQ(corner.name, row.name);
    EXPECT_EQ(corner.factory, row.factory);
    EXPECT_EQ(FactoryCorners().*corner.value, row.factory);
    // A value set through Corners lands in its own field, and a stored one loads there.
    Corners corners = FactoryCorners();
    corners.*corner.value = 1000 + row.word;
    settings->SetCorners(corners);
    EXPECT_EQ((*settings.*row.field).load(), 1000 + row.word);
    EXPECT_EQ(settings->GetCorners(), corners);
    store.Put(row.name, 2000 + row.word);
    EXPECT_EQ(settings->LoadCorners(), 1);
    EXPECT_EQ((*settings.*row.field).load(), 2000 + row.word);
  }
}

TEST(ComposeRawCoordinateTest, KeepsElevenBits) {
  struct Row {
    int32_t high, low, raw;
  };
  const Row rows[] = {{7, 0xFF, 2047}, {0, 5, 5}, {0xF8, 0, 0}, {1, 0x180, 0x180}, {3, 0x80, 896}};
  for (const Row& row : rows) {
    EXPECT_EQ(TouchSettings::ComposeRawCoordinate(row.high, row.low), row.raw)
        << row.high << "," << row.low;
  }
}

}  // namespace
}  // namespace tavrel
