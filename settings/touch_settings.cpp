#include "settings/touch_settings.h"

#include <algorithm>

#include "platform/log.h"

namespace tavrel {

namespace {
constexpr int32_t kDefaultSerialPort = 5;
constexpr int32_t kDefaultBuzzerFrequency = 2500;
constexpr int32_t kDefaultBuzzerDuration = 40;
// The longest tone Setup offers: the reader sounds the tone before it takes the next report, so a
// longer one stalls every touch behind it.
constexpr int32_t kLongestToneMs = 250;
// What a tone can have: the bounds of the Windows desktop's own tone call.
constexpr int32_t kLowestToneHz = 37;
constexpr int32_t kHighestToneHz = 32767;
constexpr int32_t kDefaultDoubleClickSize = 110;
constexpr int32_t kDefaultDoubleClickDelay = 900;
constexpr int32_t kDefaultClickBox = 5;
constexpr int32_t kTrailsOn = 10;
constexpr const char* kMessageCaption = "Debugging...";
}  // namespace

TouchSettings::TouchSettings(Platform platform, RightClickObserver* rightClick)
    : platform_(platform), rightClick_(rightClick) {
  Load();
}

int32_t TouchSettings::SetDesktopRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  desktopRect = {left, top, right, bottom};
  return 1;
}

int32_t TouchSettings::SetPanelRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  panelRect = {left, top, right, bottom};
  panelWidth = right - left;
  panelHeight = bottom - top;
  return 1;
}

int32_t TouchSettings::Load() {
  if (!platform_.store.Open()) {
    // Without a store the program runs as on a first start, storing nothing.
    buzzerFrequency = kDefaultBuzzerFrequency;
    return kSettingsOpenFailed;
  }
  SaveRightClickEnabled(0);
  if (ReadSerialPort() == kSettingsReadFailed) SaveSerialPort(kDefaultSerialPort);
  LoadField(buzzerFrequency, value_name::kBuzzerFrequency, kDefaultBuzzerFrequency);
  LoadField(buzzerDuration, value_name::kBuzzerDuration, kDefaultBuzzerDuration);
  ClampField(buzzerFrequency, value_name::kBuzzerFrequency, kLowestToneHz, kHighestToneHz);
  ClampField(buzzerDuration, value_name::kBuzzerDuration, 0, kLongestToneMs);
  LoadField(doubleClickWidth, value_name::kDoubleClickWidth, kDefaultDoubleClickSize);
  LoadField(doubleClickHeight, value_name::kDoubleClickHeight, kDefaultDoubleClickSize);
  LoadField(doubleClickDelay, value_name::kDoubleClickDelay, kDefaultDoubleClickDelay);
  int32_t tracking = ReadMouseTracking();
  if (tracking == kSettingsReadFailed) {
    tracking = 0;
    SaveMouseTracking(0);
    platform_.system.Set(SystemParameter::kMouseTrails, 0);
  }
  mouseTracking = tracking;
  ApplySystemValues();
  LoadField(clickBoxWidth, value_name::kClickBoxWidth, kDefaultClickBox);
  LoadField(clickBoxHeight, value_name::kClickBoxHeight, kDefaultClickBox);
  ResetCorners();
  return kSettingsOk;
}

void TouchSettings::LoadField(std::atomic<int32_t>& field, std::string_view name,
                              int32_t fallback) {
  int32_t value = ReadValue(name);
  if (value == kSettingsReadFailed) {
    value = fallback;
    SaveValue(name, value);
  }
  field = value;
}

void TouchSettings::ClampField(std::atomic<int32_t>& field, std::string_view name, int32_t low,
                               int32_t high) {
  const int32_t stored = field;
  const int32_t used = std::clamp(stored, low, high);
  if (used == stored) return;
  field = used;
  log::Info("stored \"" + std::string(name) + "\" " + std::to_string(stored) + " lies outside " +
            std::to_string(low) + ".." + std::to_string(high) + "; using " + std::to_string(used) +
            " until Setup stores a new value");
}

void TouchSettings::ApplySystemValues() {
  platform_.system.Set(SystemParameter::kDoubleClickWidth, doubleClickWidth);
  platform_.system.Set(SystemParameter::kDoubleClickHeight, doubleClickHeight);
  platform_.system.Set(SystemParameter::kDoubleClickTime, doubleClickDelay);
  platform_.system.Set(SystemParameter::kMouseTrails, mouseTracking == 1 ? kTrailsOn : 0);
}

int32_t TouchSettings::Close() {
  return platform_.store.Close() ? kSettingsOk : kSettingsCloseFailed;
}

int32_t TouchSettings::ReadValue(std::string_view name) {
  return platform_.store.Read(name).value_or(kSettingsReadFailed);
}

int32_t TouchSettings::SaveValue(std::string_view name, int32_t value) {
  return platform_.store.Write(name, value) ? kSettingsOk : kSettingsWriteFailed;
}

int32_t TouchSettings::SaveCorner(std::string_view nameX, std::string_view nameY, int32_t x,
                                  int32_t y) {
  if (SaveValue(nameX, x) != kSettingsOk) return kSettingsWriteFailed;
  return SaveValue(nameY, y);
}

int32_t TouchSettings::SaveLeftTop(int32_t x, int32_t y) {
  return SaveCorner(value_name::kLeftTopX, value_name::kLeftTopY, x, y);
}

int32_t TouchSettings::SaveLeftBottom(int32_t x, int32_t y) {
  return SaveCorner(value_name::kLeftBottomX, value_name::kLeftBottomY, x, y);
}

int32_t TouchSettings::SaveRightTop(int32_t x, int32_t y) {
  return SaveCorner(value_name::kRightTopX, value_name::kRightTopY, x, y);
}

int32_t TouchSettings::SaveRightBottom(int32_t x, int32_t y) {
  return SaveCorner(value_name::kRightBottomX, value_name::kRightBottomY, x, y);
}

namespace {
// The settings' corner fields, in the order of kCornerValues.
constexpr std::array<std::atomic<int32_t> TouchSettings::*, 8> kCornerFields = {
    &TouchSettings::leftTopX,     &TouchSettings::leftTopY,    &TouchSettings::leftBottomX,
    &TouchSettings::leftBottomY,  &TouchSettings::rightTopX,   &TouchSettings::rightTopY,
    &TouchSettings::rightBottomX, &TouchSettings::rightBottomY};
}  // namespace

Corners TouchSettings::GetCorners() const {
  Corners corners{};
  for (size_t i = 0; i < kCornerValues.size(); ++i) {
    corners.*kCornerValues[i].value = (this->*kCornerFields[i]).load();
  }
  return corners;
}

void TouchSettings::SetCorners(const Corners& corners) {
  std::lock_guard lock(cornersMutex_);
  StoreCorners(corners);
}

bool TouchSettings::ReplaceCorners(const Corners& expected, const Corners& replacement) {
  std::lock_guard lock(cornersMutex_);
  if (GetCorners() != expected) return false;
  StoreCorners(replacement);
  return true;
}

void TouchSettings::StoreCorners(const Corners& corners) {
  for (size_t i = 0; i < kCornerValues.size(); ++i) {
    (this->*kCornerFields[i]).store(corners.*kCornerValues[i].value);
  }
}

int32_t TouchSettings::ResetCorners() {
  std::lock_guard lock(cornersMutex_);
  // Corner by corner (X and Y are neighbours): the fields take the factory values whatever the
  // write returned.
  for (size_t i = 0; i < kCornerValues.size(); i += 2) {
    const CornerValue& x = kCornerValues[i];
    const CornerValue& y = kCornerValues[i + 1];
    SaveCorner(x.name, y.name, x.factory, y.factory);
    (this->*kCornerFields[i]).store(x.factory);
    (this->*kCornerFields[i + 1]).store(y.factory);
  }
  return kSettingsOk;
}

int32_t TouchSettings::LoadCorners() {
  std::lock_guard lock(cornersMutex_);
  for (size_t i = 0; i < kCornerValues.size(); ++i) {
    // Each field takes the result before the check, as callers may rely on seeing -130 there.
    const int32_t value = ReadValue(kCornerValues[i].name);
    (this->*kCornerFields[i]).store(value);
    if (value == kSettingsReadFailed) return kSettingsReadFailed;
  }
  return kSettingsOk;
}

int32_t TouchSettings::ShowRightClickState(int32_t on) {
  if (rightClick_ != nullptr) rightClick_->RightClickStateChanged(on == 1);
  return 1;
}

int32_t TouchSettings::IsRightClickEnabled() {
  const int32_t value = ReadRightClickEnabled();
  return value != 0 && value != kSettingsReadFailed ? 1 : 0;
}

void TouchSettings::ShowMessage(const std::string& text) {
  // Logged first: on a machine nobody watches, the box may wait a long time for its OK.
  log::Info("message box: " + text);
  platform_.messages.ShowMessage(kMessageCaption, text);
}

}  // namespace tavrel
