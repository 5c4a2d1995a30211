#pragma once

#include <array>
#include <cstdint>

#include "dialogs/dialog.h"
#include "link/serial_port.h"
#include "platform/tone_service.h"
#include "platform/window_service.h"
#include "settings/touch_settings.h"
#include "touch/calibration_transform.h"

namespace tavrel {

// The full-screen four-corner calibration. It shows one target at a time (left bottom, right
// top, right bottom, left top) while the decoder captures: each left-button message checks
// whether 100 samples have been taken, and if so stores the captured pair as the current
// corner and moves on. After the fourth corner the corners are loaded into the transform,
// confirmed, and written into the controller, once they have been found to describe a screen;
// otherwise the run starts again at the first target.
class CalibrationDialog : public Dialog {
 public:
  CalibrationDialog(WindowService& windows, ToneService& tone, TouchSettings& settings,
                    CTvSerialPort& serialPort);

  // Which corner the next completed capture belongs to: 1 left bottom, 2 right top, 3 right
  // bottom, 4 left top; 0: the next completed capture only advances to 1.
  int32_t Step() const { return step; }
  void SetStep(int32_t value) { step = value; }

 protected:
  int32_t OnInitDialog() override;
  void OnLButtonDown(int32_t x, int32_t y) override;
  void OnLButtonUp(int32_t x, int32_t y) override;
  void OnOK() override;
  void OnCancel() override;

 private:
  enum class Button { kDown, kUp };

  void LayoutTargets();
  // One step of the down or up path.
  void TakeStep(Button button);
  void TakeCorner(size_t corner, Button button);
  // Stores the captured pair as the corner; false when the store could not give it back or
  // take it.
  bool StoreCorner(size_t corner);
  // Loads the stored corners into the transform; on failure the transform keeps the corners it
  // had, whole.
  bool LoadNewCorners();
  void FinishCalibration();
  // Ends the run because the store failed, with the reason in a box.
  void FailRun();
  // The corners cannot describe a screen: puts the stored ones back, says why, and starts the
  // run again at the first target.
  void RejectCorners(CornerShape shape);
  void RememberStoredCorners();
  void PutBackStoredCorners();
  void ShowFirstTarget();
  void ShowBox(const char* caption, const char* text);
  void Beep(uint32_t frequencyHz);
  void HideCursor();
  void RestoreCursor();

  // The target pictures, in corner order (left bottom, right top, right bottom, left top).
  std::array<ControlHandle, 4> targets{};
  TouchSettings* settings;
  CTvSerialPort* serialPort;
  FontHandle promptFont;
  int32_t step = 1;
  ToneService& tone_;
  // The cursor's display count was lowered by this run and is still to be raised.
  bool cursorHidden_ = false;
  // The run has been told to end (a box can be open when that happens).
  bool ending_ = false;
  // The corners this run has stored, and the stored ones when it began.
  Corners taken_{};
  Corners before_{};
};

}  // namespace tavrel
