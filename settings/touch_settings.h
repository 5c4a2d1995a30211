#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/message_service.h"
#include "platform/settings_store.h"
#include "platform/system_parameters.h"
#include "settings/corners.h"
#include "settings/right_click_observer.h"

namespace tavrel {

// Result codes of the settings operations.
inline constexpr int32_t kSettingsOk = 1;
inline constexpr int32_t kSettingsOpenFailed = -100;
inline constexpr int32_t kSettingsCloseFailed = -110;
inline constexpr int32_t kSettingsWriteFailed = -120;
inline constexpr int32_t kSettingsReadFailed = -130;

// Names of the stored values, exactly as they stand in the store.
namespace value_name {
inline constexpr std::string_view kRightClickEnabled = "RightClickEnabled";
inline constexpr std::string_view kSerialPort = "Serial Port";
inline constexpr std::string_view kCapturedX = "Click Value X";
inline constexpr std::string_view kCapturedY = "Click Value Y";
inline constexpr std::string_view kBuzzerFrequency = "Buzzer Frequency (Hz)";
inline constexpr std::string_view kBuzzerDuration = "Buzzer Duration (msec)";
inline constexpr std::string_view kDoubleClickWidth = "X Movement Filter";
inline constexpr std::string_view kDoubleClickHeight = "Y Movement Filter";
inline constexpr std::string_view kMouseTracking = "Mouse Tracking";
inline constexpr std::string_view kClickBoxWidth = "X Single Movement Filter";
inline constexpr std::string_view kClickBoxHeight = "Y Single Movement Filter";
inline constexpr std::string_view kDoubleClickDelay = "Double Click Delay";
}  // namespace value_name

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
};

// The one settings record shared by every object of the program, on the user-interface thread
// and the serial reader thread alike. Fields both threads touch are atomic; the corners, which
// both threads replace as a whole, are also written under one lock.
class TouchSettings {
 public:
  struct Platform {
    SettingsStore& store;
    SystemParameters& system;
    MessageService& messages;
  };

  // Without an observer nothing shows the right-click state.
  explicit TouchSettings(Platform platform, RightClickObserver* rightClick = nullptr);
  TouchSettings(const TouchSettings&) = delete;
  TouchSettings& operator=(const TouchSettings&) = delete;

  // In-memory accessors; setters return 1.
  int32_t GetDecoderMode() const { return decoderMode.load(); }
  int32_t SetDecoderMode(int32_t mode) { return Set(decoderMode, mode); }
  int32_t GetBuzzerFrequency() const { return buzzerFrequency.load(); }
  int32_t SetBuzzerFrequency(int32_t hz) { return Set(buzzerFrequency, hz); }
  int32_t GetBuzzerDuration() const { return buzzerDuration.load(); }
  int32_t SetBuzzerDuration(int32_t ms) { return Set(buzzerDuration, ms); }
  int32_t EnableBuzzer() { return Set(buzzerEnabled, 1); }
  int32_t DisableBuzzer() { return Set(buzzerEnabled, 0); }
  int32_t IsBuzzerEnabled() const { return buzzerEnabled.load(); }
  int32_t GetDoubleClickWidth() const { return doubleClickWidth.load(); }
  int32_t SetDoubleClickWidth(int32_t px) { return Set(doubleClickWidth, px); }
  int32_t GetDoubleClickHeight() const { return doubleClickHeight.load(); }
  int32_t SetDoubleClickHeight(int32_t px) { return Set(doubleClickHeight, px); }
  int32_t SetDoubleClickDelay(int32_t ms) { return Set(doubleClickDelay, ms); }
  int32_t GetMouseTracking() const { return mouseTracking.load(); }
  int32_t SetMouseTracking(int32_t on) { return Set(mouseTracking, on); }
  int32_t GetClickBoxWidth() const { return clickBoxWidth.load(); }
  int32_t SetClickBoxWidth(int32_t units) { return Set(clickBoxWidth, units); }
  int32_t GetClickBoxHeight() const { return clickBoxHeight.load(); }
  int32_t SetClickBoxHeight(int32_t units) { return Set(clickBoxHeight, units); }
  int32_t SetDesktopRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  Rect GetDesktopRect() const { return desktopRect; }
  int32_t SetPanelRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  int32_t GetPanelWidth() const { return panelWidth; }
  int32_t GetPanelHeight() const { return panelHeight; }

  // Persistence: each Read returns the value or -130, each Save 1 or -120.
  int32_t Load();
  int32_t Close();
  int32_t ReadValue(std::string_view name);
  int32_t ReadRightClickEnabled() { return ReadValue(value_name::kRightClickEnabled); }
  int32_t ReadSerialPort() { return ReadValue(value_name::kSerialPort); }
  int32_t ReadCapturedX() { return ReadValue(value_name::kCapturedX); }
  int32_t ReadCapturedY() { return ReadValue(value_name::kCapturedY); }
  int32_t ReadBuzzerFrequency() { return ReadValue(value_name::kBuzzerFrequency); }
  int32_t ReadBuzzerDuration() { return ReadValue(value_name::kBuzzerDuration); }
  int32_t ReadDoubleClickWidth() { return ReadValue(value_name::kDoubleClickWidth); }
  int32_t ReadDoubleClickHeight() { return ReadValue(value_name::kDoubleClickHeight); }
  int32_t ReadDoubleClickDelay() { return ReadValue(value_name::kDoubleClickDelay); }
  int32_t ReadClickBoxWidth() { return ReadValue(value_name::kClickBoxWidth); }
  int32_t ReadClickBoxHeight() { return ReadValue(value_name::kClickBoxHeight); }
  int32_t ReadMouseTracking() { return ReadValue(value_name::kMouseTracking); }

  int32_t SaveRightClickEnabled(int32_t v) { return SaveValue(value_name::kRightClickEnabled, v); }
  int32_t SaveSerialPort(int32_t v) { return SaveValue(value_name::kSerialPort, v); }
  int32_t SaveCapturedX(int32_t v) { return SaveValue(value_name::kCapturedX, v); }
  int32_t SaveCapturedY(int32_t v) { return SaveValue(value_name::kCapturedY, v); }
  int32_t SaveBuzzerFrequency(int32_t v) { return SaveValue(value_name::kBuzzerFrequency, v); }
  int32_t SaveBuzzerDuration(int32_t v) { return SaveValue(value_name::kBuzzerDuration, v); }
  int32_t SaveDoubleClickWidth(int32_t v) { return SaveValue(value_name::kDoubleClickWidth, v); }
  int32_t SaveDoubleClickHeight(int32_t v) { return SaveValue(value_name::kDoubleClickHeight, v); }
  int32_t SaveDoubleClickDelay(int32_t v) { return SaveValue(value_name::kDoubleClickDelay, v); }
  int32_t SaveClickBoxWidth(int32_t v) { return SaveValue(value_name::kClickBoxWidth, v); }
  int32_t SaveClickBoxHeight(int32_t v) { return SaveValue(value_name::kClickBoxHeight, v); }
  int32_t SaveMouseTracking(int32_t v) { return SaveValue(value_name::kMouseTracking, v); }

  // The eight corner fields as one value; each field is read on its own.
  Corners GetCorners() const;
  void SetCorners(const Corners& corners);
  // Replaces the corners only while they still equal `expected`, in one step against every other
  // corner write of this record; true when replaced.
  bool ReplaceCorners(const Corners& expected, const Corners& replacement);

  int32_t SaveLeftTop(int32_t x, int32_t y);
  int32_t SaveLeftBottom(int32_t x, int32_t y);
  int32_t SaveRightTop(int32_t x, int32_t y);
  int32_t SaveRightBottom(int32_t x, int32_t y);
  int32_t ResetCorners();
  int32_t LoadCorners();

  // Tells the observer the state is on (1) or off (any other value).
  int32_t ShowRightClickState(int32_t on);
  // 1 when the stored "RightClickEnabled" turns the next touch into a right click, else 0. An
  // unreadable value counts as off: otherwise a broken store would turn every touch into a
  // right click. The decoder and the panel's image both follow this.
  int32_t IsRightClickEnabled();
  // The program's one message box, caption "Debugging...", from either thread.
  void ShowMessage(const std::string& text);

  // The 11-bit raw coordinate from a report's high (bits 10..8) and low (bits 7..0) parts.
  static int32_t ComposeRawCoordinate(int32_t high, int32_t low) {
    return (high & 7) * 256 + (low & 0xFF);
  }

  // Calibration corners in raw units, read by the decoder for every report and written by the
  // controller link and the calibration dialog.
  std::atomic<int32_t> leftTopX{factory_corner::kLeftTopX};
  std::atomic<int32_t> leftTopY{factory_corner::kLeftTopY};
  std::atomic<int32_t> leftBottomX{factory_corner::kLeftBottomX};
  std::atomic<int32_t> leftBottomY{factory_corner::kLeftBottomY};
  std::atomic<int32_t> rightTopX{factory_corner::kRightTopX};
  std::atomic<int32_t> rightTopY{factory_corner::kRightTopY};
  std::atomic<int32_t> rightBottomX{factory_corner::kRightBottomX};
  std::atomic<int32_t> rightBottomY{factory_corner::kRightBottomY};

  // Calibration capture: the decoder increments the count and averages the point, the
  // calibration dialog resets the count. Increment and reset are single atomic operations.
  std::atomic<int32_t> captureCount{0};
  std::atomic<uint32_t> captureX{0};
  std::atomic<uint32_t> captureY{0};

 private:
  static int32_t Set(std::atomic<int32_t>& field, int32_t value) {
    field.store(value);
    return 1;
  }
  int32_t SaveValue(std::string_view name, int32_t value);
  int32_t SaveCorner(std::string_view nameX, std::string_view nameY, int32_t x, int32_t y);
  void LoadField(std::atomic<int32_t>& field, std::string_view name, int32_t fallback);
  // Keeps a loaded value within low..high for this run; the store keeps what it holds.
  static void ClampField(std::atomic<int32_t>& field, std::string_view name, int32_t low,
                         int32_t high);
  // Writes the corner fields; cornersMutex_ is held.
  void StoreCorners(const Corners& corners);
  void ApplySystemValues();

  Platform platform_;
  std::mutex cornersMutex_;
  RightClickObserver* rightClick_;

  // Only the user-interface thread places the panel, so the rectangles need no atomics.
  Rect desktopRect{};
  Rect panelRect{};
  int32_t panelWidth = 0;
  int32_t panelHeight = 0;

  std::atomic<int32_t> decoderMode{0};
  std::atomic<int32_t> buzzerFrequency{0};
  // Defaults in force until Load succeeds, so that a machine without a usable store behaves as
  // on a first start.
  std::atomic<int32_t> buzzerDuration{40};
  std::atomic<int32_t> buzzerEnabled{1};
  std::atomic<int32_t> doubleClickWidth{110};
  std::atomic<int32_t> doubleClickHeight{110};
  std::atomic<int32_t> mouseTracking{0};
  std::atomic<int32_t> clickBoxWidth{5};
  std::atomic<int32_t> clickBoxHeight{5};
  std::atomic<int32_t> doubleClickDelay{900};
};

}  // namespace tavrel
