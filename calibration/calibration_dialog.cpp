#include "calibration/calibration_dialog.h"

#include <string>

#include "calibration/target_layout.h"
#include "platform/log.h"
#include "resources/resource_ids.h"
#include "touch/report_decoder.h"

namespace tavrel {

namespace {

namespace id = resource_id;

// Samples a corner needs before a button message takes it.
constexpr int32_t kSamplesPerCorner = 100;
constexpr int32_t kLastStep = 4;
constexpr uint32_t kToneMs = 100;
constexpr uint32_t kCornerToneHz = 2500;
constexpr uint32_t kFinalTonesHz[] = {1800, 2200, 2500};
constexpr int32_t kPromptX = 260;
constexpr int32_t kPromptY = 280;
constexpr const char* kDoneCaption = "Calibration OK";
constexpr const char* kDoneText = "calibration succesfully completed";
constexpr const char* kErrorCaption = "Calibration Error saving data";
constexpr const char* kWriteFailedText = "Restart calibration";
constexpr const char* kStoreFailedText =
    "The calibration point could not be stored in the settings. The previous calibration stays "
    "in effect. Restart calibration";
constexpr const char* kRetryCaption = "Calibration not accepted";
constexpr const char* kTooCloseText =
    "The corners were too close together: lift your finger after each beep, then touch the next "
    "target. The previous calibration stays in effect. Calibrate again from the first target.";
constexpr const char* kMisplacedText =
    "The corners do not make up a screen: touch each target where it shows, one after the other, "
    "and lift your finger after each beep. The previous calibration stays in effect. Calibrate "
    "again from the first target.";

// What each corner uses, in step order.
struct CornerControls {
  const char* name;
  int32_t (TouchSettings::*save)(int32_t x, int32_t y);
  int32_t Corners::*x;
  int32_t Corners::*y;
  int32_t target;
  int32_t marker;
  int32_t prompt;
  CalibratedPoint calibrated;  // where the transform puts the corner
};
constexpr int32_t kLow = kCalibratedLow;
constexpr int32_t kHigh = kCalibratedLow + kCalibratedSpan;
constexpr std::array<CornerControls, 4> kCorners = {{
    {"left bottom",
     &TouchSettings::SaveLeftBottom,
     &Corners::leftBottomX,
     &Corners::leftBottomY,
     id::kTargetLeftBottom,
     id::kMarkerLeftBottom,
     id::kPromptLeftBottom,
     {kLow, kLow}},
    {"right top",
     &TouchSettings::SaveRightTop,
     &Corners::rightTopX,
     &Corners::rightTopY,
     id::kTargetRightTop,
     id::kMarkerRightTop,
     id::kPromptRightTop,
     {kHigh, kHigh}},
    {"right bottom",
     &TouchSettings::SaveRightBottom,
     &Corners::rightBottomX,
     &Corners::rightBottomY,
     id::kTargetRightBottom,
     id::kMarkerRightBottom,
     id::kPromptRightBottom,
     {kHigh, kLow}},
    {"left top",
     &TouchSettings::SaveLeftTop,
     &Corners::leftTopX,
     &Corners::leftTopY,
     id::kTargetLeftTop,
     id::kMarkerLeftTop,
     id::kPromptLeftTop,
     {kLow, kHigh}},
}};

// The texts that share the prompt's place, in the order they are placed.
constexpr int32_t kTexts[] = {id::kPromptRightBottom, id::kPromptRightTop, id::kPromptLeftTop,
                              id::kPromptLeftBottom, id::kWaitText};

// "left bottom 200,1800, right top ...", in step order.
std::string Describe(const Corners& corners) {
  std::string text;
  for (const CornerControls& corner : kCorners) {
    if (!text.empty()) text += ", ";
    text += std::string(corner.name) + " " + std::to_string(corners.*corner.x) + "," +
            std::to_string(corners.*corner.y);
  }
  return text;
}

}  // namespace

CalibrationDialog::CalibrationDialog(WindowService& windows, ToneService& tone,
                                     TouchSettings& settings, CTvSerialPort& serialPort)
    : Dialog(windows, id::kCalibrationDialog),
      settings(&settings),
      serialPort(&serialPort),
      promptFont(windows.CreateFont({"Arial", 20, 700})),
      tone_(tone) {}

int32_t CalibrationDialog::OnInitDialog() {
  for (size_t corner = 0; corner < kCorners.size(); ++corner) {
    targets[corner] = Item(kCorners[corner].target);
  }
  ending_ = false;
  HideCursor();
  RememberStoredCorners();
  LayoutTargets();
  return 1;
}

void CalibrationDialog::LayoutTargets() {
  windows_.ShowMaximized(Window());
  // The targets go where the pointer lands for each corner on the primary monitor, which the
  // window covers, so that a calibration holds on any screen size.
  const ScreenRect screen = windows_.DesktopRect();
  const int32_t width = screen.right - screen.left;
  const int32_t height = screen.bottom - screen.top;
  for (const CornerControls& corner : kCorners) {
    const ClientPoint at = TargetPosition(corner.calibrated, width, height);
    PlaceItem(corner.marker, at.x, at.y);
  }
  for (size_t corner = 0; corner < kCorners.size(); ++corner) {
    const ClientPoint at = TargetPosition(kCorners[corner].calibrated, width, height);
    windows_.Place(targets[corner], ZOrder::kTop, at.x, at.y);
  }
  for (int32_t text : kTexts) {
    PlaceItem(text, kPromptX, kPromptY);
    SetItemFont(text, promptFont);
  }
}

void CalibrationDialog::OnLButtonDown(int32_t /*x*/, int32_t /*y*/) { TakeStep(Button::kDown); }

void CalibrationDialog::OnLButtonUp(int32_t /*x*/, int32_t /*y*/) { TakeStep(Button::kUp); }

void CalibrationDialog::TakeStep(Button button) {
  // Read once: the reader thread keeps adding to the count, and a second read could see a
  // different one. The reset is one atomic store, so a racing increment counts towards the
  // next corner and never undoes it.
  if (settings->captureCount.load() < kSamplesPerCorner) return;
  if (step >= 1 && step <= kLastStep) TakeCorner(static_cast<size_t>(step - 1), button);
  ++step;
  settings->captureCount.store(0);
}

void CalibrationDialog::TakeCorner(size_t corner, Button button) {
  if (!StoreCorner(corner)) return FailRun();
  const CornerControls& current = kCorners[corner];
  if (corner + 1 < kCorners.size()) {
    const CornerControls& next = kCorners[corner + 1];
    if (button == Button::kUp) {
      // A step taken on the release shows only the next corner's marker.
      ShowItem(current.marker, false);
      ShowItem(next.marker, true);
      return;
    }
    windows_.ShowWindow(targets[corner], false);
    windows_.ShowWindow(targets[corner + 1], true);
    ShowItem(current.prompt, false);
    ShowItem(next.prompt, true);
    Beep(kCornerToneHz);
    return;
  }
  ShowItem(current.marker, false);
  ShowItem(current.prompt, false);
  const CornerShape shape = CheckCornerShape(taken_);
  if (shape != CornerShape::kScreen) return RejectCorners(shape);
  if (button == Button::kDown) {
    for (uint32_t hz : kFinalTonesHz) Beep(hz);
  }
  if (!LoadNewCorners()) return FailRun();
  FinishCalibration();
}

bool CalibrationDialog::StoreCorner(size_t corner) {
  const int32_t y = settings->ReadCapturedY();
  const int32_t x = settings->ReadCapturedX();
  // The read-failure code is no coordinate: storing it would wreck the transform.
  if (x == kSettingsReadFailed || y == kSettingsReadFailed) return false;
  const CornerControls& controls = kCorners[corner];
  if ((settings->*controls.save)(x, y) != kSettingsOk) return false;
  taken_.*controls.x = x;
  taken_.*controls.y = y;
  return true;
}

bool CalibrationDialog::LoadNewCorners() {
  const Corners previous = settings->GetCorners();
  if (settings->LoadCorners() == kSettingsOk) return true;
  // A load that stopped half-way would mix old and new corners.
  settings->SetCorners(previous);
  return false;
}

void CalibrationDialog::FinishCalibration() {
  settings->SetDecoderMode(kDecoderNormal);
  step = 0;
  ShowItem(id::kWaitText, true);
  RestoreCursor();
  log::Info("calibration corners stored: " + Describe(settings->GetCorners()));
  ShowBox(kDoneCaption, kDoneText);
  const int32_t written = serialPort->WriteCalibration();
  if (written == link_result::kOk) {
    log::Info("calibration written to the controller");
  } else {
    log::Info("calibration not written to the controller (" + std::to_string(written) + ")");
    ShowBox(kErrorCaption, kWriteFailedText);
  }
  OnOK();
}

void CalibrationDialog::FailRun() {
  RestoreCursor();
  ShowBox(kErrorCaption, kStoreFailedText);
  EndDialog(kIdCancel);
}

void CalibrationDialog::RejectCorners(CornerShape shape) {
  const bool tooClose = shape == CornerShape::kTooClose;
  log::Info(std::string("calibration rejected, ") +
            (tooClose ? "corners too close together: " : "corners not a screen: ") +
            Describe(taken_));
  PutBackStoredCorners();
  // The box's button answers touches with the calibration still in effect, as the success box's
  // does.
  settings->SetDecoderMode(kDecoderNormal);
  RestoreCursor();
  ShowBox(kRetryCaption, tooClose ? kTooCloseText : kMisplacedText);
  // Closed while the box was up: nothing to start again.
  if (ending_) return;
  settings->SetDecoderMode(kDecoderCapture);
  HideCursor();
  ShowFirstTarget();
  // The end of the step moves on to the first corner.
  step = 0;
}

void CalibrationDialog::RememberStoredCorners() {
  before_ = settings->GetCorners();
  for (const CornerValue& value : kCornerValues) {
    const int32_t stored = settings->ReadValue(value.name);
    // A value missing from the store goes back as the transform has it.
    if (stored != kSettingsReadFailed) before_.*value.value = stored;
  }
}

void CalibrationDialog::PutBackStoredCorners() {
  for (const CornerControls& corner : kCorners) {
    if ((settings->*corner.save)(before_.*corner.x, before_.*corner.y) != kSettingsOk) {
      log::Info(std::string("calibration: the stored ") + corner.name +
                " corner could not be put back");
    }
  }
}

void CalibrationDialog::ShowFirstTarget() {
  for (size_t corner = 0; corner < kCorners.size(); ++corner) {
    windows_.ShowWindow(targets[corner], corner == 0);
    ShowItem(kCorners[corner].prompt, corner == 0);
    ShowItem(kCorners[corner].marker, false);
  }
}

void CalibrationDialog::ShowBox(const char* caption, const char* text) {
  // Logged first: on a machine nobody watches, the box may wait a long time for its OK.
  log::Info(std::string("message box \"") + caption + "\": " + text);
  windows_.ShowOwnedMessage(Window(), caption, text);
}

void CalibrationDialog::Beep(uint32_t frequencyHz) { tone_.Beep(frequencyHz, kToneMs); }

void CalibrationDialog::HideCursor() {
  windows_.ShowCursor(false);
  cursorHidden_ = true;
}

void CalibrationDialog::RestoreCursor() {
  if (!cursorHidden_) return;
  windows_.ShowCursor(true);
  cursorHidden_ = false;
}

// Every way out gives the cursor back: Escape, the close box and the program's Close all end
// the run here.
void CalibrationDialog::OnCancel() {
  ending_ = true;
  RestoreCursor();
  Dialog::OnCancel();
}

void CalibrationDialog::OnOK() {
  ending_ = true;
  RestoreCursor();
  Dialog::OnOK();
}

}  // namespace tavrel
