#include "setup/setup_dialog.h"

#include <initializer_list>
#include <utility>

#include "platform/log.h"
#include "resources/resource_ids.h"

namespace tavrel {

namespace {

namespace id = resource_id;

struct Slider {
  int32_t trackbar;
  int32_t label;
  int32_t min;
  int32_t max;
};

constexpr Slider kFreq{id::kFreqTrackbar, id::kFreqLabel, 1000, 10000};
constexpr Slider kLen{id::kLenTrackbar, id::kLenLabel, 0, 250};
constexpr Slider kDblClickWidth{id::kDblClickWidthTrackbar, id::kDblClickWidthLabel, 0, 200};
constexpr Slider kDblClickHeight{id::kDblClickHeightTrackbar, id::kDblClickHeightLabel, 0, 200};
constexpr Slider kDblClickDelay{id::kDblClickDelayTrackbar, id::kDblClickDelayLabel, 0, 1000};
constexpr Slider kClickWidth{id::kClickWidthTrackbar, id::kClickWidthLabel, 0, 50};
constexpr Slider kClickHeight{id::kClickHeightTrackbar, id::kClickHeightLabel, 0, 50};

constexpr int32_t kTrailsOn = 10;
// Touch comes back by itself once the controller answers again.
constexpr const char* kLostText = "Touch screen controller lost; reconnecting";

// The answer's bytes as plain text: a zero byte ends the text there. Printable bytes are
// Latin-1, so that stray bytes still make valid UTF-8; control bytes show as \xNN, so that the
// controller cannot break a line or drive a terminal.
std::string AnswerText(const std::string& answer) {
  std::string text;
  for (const char byte : answer) {
    const auto value = static_cast<uint8_t>(byte);
    if (value == 0) break;
    if (value >= 0x20 && value < 0x7F) {
      text += static_cast<char>(value);
    } else if (value >= 0xA0) {
      text += static_cast<char>(0xC0 | (value >> 6));
      text += static_cast<char>(0x80 | (value & 0x3F));
    } else {
      text += log::Printable(std::string(1, static_cast<char>(value)));
    }
  }
  return text;
}

}  // namespace

SetupDialog::SetupDialog(CTvSerialPort& serialPort, TouchSettings& settings, Platform platform)
    : Dialog(platform.windows, id::kSetupDialog),
      settings(settings),
      serialPort(serialPort),
      system_(platform.system),
      tone_(platform.tone),
      infoFont(platform.windows.CreateFont({"Arial", 20, 700})) {}

int32_t SetupDialog::OnInitDialog() {
  settings.DisableBuzzer();
  ShowControllerInfo();
  InitSliders();
  SetCheck(id::kTrackingCheckBox, settings.GetMouseTracking() == 1);
  // Returning 1 leaves the focus on the first control in tab order, "Check memory".
  return 1;
}

void SetupDialog::ShowControllerInfo() {
  for (int32_t line : {id::kFirmwareLine, id::kModelLine, id::kMemoryLine}) {
    SetItemFont(line, infoFont);
  }
  SetItemText(id::kFirmwareLine, "Firmware release reading");
  SetItemText(id::kModelLine, "Touch model reading");
  SetItemText(id::kMemoryLine, "Touch controller memory checking");
  if (serialPort.ConfirmController() != link_result::kOk) {
    ShowFailure(id::kFirmwareLine, "Touch screen controller not present");
    return;
  }
  std::string answer;
  const int32_t firmware = serialPort.ReadFirmwareRelease(answer);
  // A request that was not sent skips its line only.
  if (firmware != link_result::kFirmwareNotSent &&
      !ShowAnswer(id::kFirmwareLine, "Error reading firmware release", firmware,
                  "Firmware release: " + AnswerText(answer))) {
    return;
  }
  const int32_t model = serialPort.ReadModel(answer);
  ShowAnswer(id::kModelLine, "Error reading Touch Controller model", model,
             "Touch screen controller model: " + AnswerText(answer));
}

bool SetupDialog::ShowAnswer(int32_t line, const char* readError, int32_t result,
                             const std::string& text) {
  if (result == link_result::kReadFailed) ShowFailure(line, readError);
  if (result != link_result::kOk) return false;
  SetItemText(line, text);
  log::Info(text);
  return true;
}

void SetupDialog::InitSliders() {
  // The range goes first, so that a stored value outside it shows at the nearest end.
  const std::pair<Slider, int32_t> initial[] = {
      {kFreq, settings.GetBuzzerFrequency()},
      {kLen, settings.GetBuzzerDuration()},
      {kDblClickWidth, settings.GetDoubleClickWidth()},
      {kDblClickHeight, settings.GetDoubleClickHeight()},
      {kDblClickDelay, system_.DoubleClickTime()},
      {kClickHeight, settings.GetClickBoxHeight()},
      {kClickWidth, settings.GetClickBoxWidth()},
  };
  for (const auto& [slider, position] : initial) {
    SetTrackbarRange(slider.trackbar, slider.min, slider.max);
    SetTrackbarPos(slider.trackbar, position);
  }
  // The labels show what the trackbars took, not the stored values.
  for (const Slider& slider :
       {kDblClickWidth, kDblClickHeight, kDblClickDelay, kFreq, kLen, kClickWidth, kClickHeight}) {
    ShowPosition(slider.trackbar, slider.label);
  }
}

int32_t SetupDialog::ShowPosition(int32_t trackbar, int32_t label) {
  const int32_t position = GetTrackbarPos(trackbar);
  SetItemText(label, std::to_string(position));
  return position;
}

void SetupDialog::OnTrackbar(int32_t /*id*/) { OnSliderMoved(); }

void SetupDialog::OnSliderMoved() {
  // Every live value is applied again, whichever trackbar moved.
  system_.Set(SystemParameter::kDoubleClickWidth,
              ShowPosition(kDblClickWidth.trackbar, kDblClickWidth.label));
  system_.Set(SystemParameter::kDoubleClickHeight,
              ShowPosition(kDblClickHeight.trackbar, kDblClickHeight.label));
  ShowPosition(kFreq.trackbar, kFreq.label);
  ShowPosition(kLen.trackbar, kLen.label);
  system_.Set(SystemParameter::kDoubleClickTime,
              ShowPosition(kDblClickDelay.trackbar, kDblClickDelay.label));
  settings.SetClickBoxHeight(ShowPosition(kClickHeight.trackbar, kClickHeight.label));
  settings.SetClickBoxWidth(ShowPosition(kClickWidth.trackbar, kClickWidth.label));
}

void SetupDialog::OnCommand(int32_t command) {
  switch (command) {
    case id::kTryButton:
      OnTry();
      break;
    case id::kCheckMemoryButton:
      OnCheckMemory();
      break;
    case id::kTrackingCheckBox:
      OnTrackingClicked();
      break;
    default:
      break;
  }
}

void SetupDialog::OnTry() {
  // Plays whatever the buzzer switch says, and the dialog waits for the tone.
  tone_.Beep(static_cast<uint32_t>(GetTrackbarPos(kFreq.trackbar)),
             static_cast<uint32_t>(GetTrackbarPos(kLen.trackbar)));
}

void SetupDialog::OnTrackingClicked() {
  // The check mark plays no part here; only OK reads it.
  system_.Set(SystemParameter::kMouseTrails, system_.MouseTrails() > 1 ? 0 : kTrailsOn);
}

void SetupDialog::OnCheckMemory() {
  ShowItem(id::kCheckMemoryButton, false);
  ShowItem(id::kMemoryLine, true);
  SetItemText(id::kMemoryLine, "Checking memory... Don't touch the screen!");
  const int32_t result = serialPort.CheckMemory();
  if (result == link_result::kOk) {
    SetItemText(id::kMemoryLine, "Memory checked successfully!");
    for (uint32_t hz : {2000u, 2500u, 3000u}) tone_.Beep(hz, 100);
  } else if (result == link_result::kChecksumMismatch) {
    SetItemText(id::kMemoryLine, "Touch Controller memory error! Loading default calibration data");
    serialPort.RestoreControllerDefaults();
  } else {
    ShowFailure(id::kMemoryLine, "Error checking touch controller memory");
  }
  ShowItem(id::kCheckMemoryButton, true);
}

void SetupDialog::ShowFailure(int32_t line, const char* text) {
  SetItemText(line, serialPort.LineLost() ? kLostText : text);
}

void SetupDialog::OnOK() {
  using S = TouchSettings;
  unstored_.clear();
  StorePair(
      {&S::SetBuzzerFrequency, &S::SaveBuzzerFrequency, GetTrackbarPos(kFreq.trackbar),
       "Freq (Hz)"},
      {&S::SetBuzzerDuration, &S::SaveBuzzerDuration, GetTrackbarPos(kLen.trackbar), "Len (msec)"});
  settings.EnableBuzzer();
  StorePair({&S::SetDoubleClickWidth, &S::SaveDoubleClickWidth,
             GetTrackbarPos(kDblClickWidth.trackbar), "DblClick width"},
            {&S::SetDoubleClickHeight, &S::SaveDoubleClickHeight,
             GetTrackbarPos(kDblClickHeight.trackbar), "DblClick height"});
  Store({&S::SetMouseTracking, &S::SaveMouseTracking, GetCheck(id::kTrackingCheckBox) ? 1 : 0,
         "Touch Screen tracking"});
  Store({&S::SetClickBoxWidth, &S::SaveClickBoxWidth, GetTrackbarPos(kClickWidth.trackbar),
         "Click width"});
  Store({&S::SetClickBoxHeight, &S::SaveClickBoxHeight, GetTrackbarPos(kClickHeight.trackbar),
         "Click height"});
  Store({&S::SetDoubleClickDelay, &S::SaveDoubleClickDelay, GetTrackbarPos(kDblClickDelay.trackbar),
         "DblClick delay"});
  // A failed write is said, not swallowed: the values hold only until the program ends.
  if (!unstored_.empty()) {
    std::string text = "Settings not stored: ";
    for (size_t i = 0; i < unstored_.size(); ++i) text += (i == 0 ? "" : ", ") + unstored_[i];
    settings.ShowMessage(text + ". They apply until the program ends.");
  }
  // The system already holds the double-click values and the trails from the live changes.
  EndDialog(kIdOk);
}

void SetupDialog::Store(const Stored& value) {
  (settings.*value.set)(value.value);
  Save(value);
}

void SetupDialog::StorePair(const Stored& first, const Stored& second) {
  (settings.*first.set)(first.value);
  (settings.*second.set)(second.value);
  Save(first);
  Save(second);
}

void SetupDialog::Save(const Stored& value) {
  if ((settings.*value.save)(value.value) != kSettingsOk) unstored_.emplace_back(value.caption);
}

void SetupDialog::OnCancel() {
  // Nothing is stored, and nothing applied live is undone.
  settings.EnableBuzzer();
  EndDialog(kIdCancel);
}

}  // namespace tavrel
