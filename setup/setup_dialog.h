#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dialogs/dialog.h"
#include "link/serial_port.h"
#include "platform/system_parameters.h"
#include "platform/tone_service.h"
#include "platform/window_service.h"
#include "settings/touch_settings.h"

namespace tavrel {

// "Touch Screen software setup": the touch tone, the double-click box and delay, the click box
// and pointer trails, with the controller's firmware release, model and memory check. The
// double-click and click-box values apply live while a trackbar moves, the trails on each click
// of the check box; everything is stored only on OK.
class SetupDialog : public Dialog {
 public:
  struct Platform {
    WindowService& windows;
    SystemParameters& system;
    ToneService& tone;
  };

  SetupDialog(CTvSerialPort& serialPort, TouchSettings& settings, Platform platform);

  // Shows the window modally and returns when it closes.
  int32_t Run(WindowHandle owner) { return DoModal(owner); }

 protected:
  int32_t OnInitDialog() override;
  void OnCommand(int32_t id) override;
  void OnTrackbar(int32_t id) override;
  void OnOK() override;
  void OnCancel() override;

 private:
  void ShowControllerInfo();
  // Shows the text of a firmware or model answer (result: the read's) in the line; false when
  // the sequence ends here.
  bool ShowAnswer(int32_t line, const char* readError, int32_t result, const std::string& text);
  void InitSliders();
  void OnSliderMoved();
  void OnTry();
  void OnTrackingClicked();
  void OnCheckMemory();
  // A controller command failed: the line shows text, or that the controller was lost when
  // that is why.
  void ShowFailure(int32_t line, const char* text);
  // Sets the label to the trackbar's position and returns that position.
  int32_t ShowPosition(int32_t trackbar, int32_t label);

  // A value stored on OK: its in-memory setter, then its settings writer; the caption names it
  // when it could not be stored.
  struct Stored {
    int32_t (TouchSettings::*set)(int32_t);
    int32_t (TouchSettings::*save)(int32_t);
    int32_t value;
    const char* caption;
  };
  void Store(const Stored& value);
  // Both setters first, then both writers, as the buzzer and double-click pairs are stored.
  void StorePair(const Stored& first, const Stored& second);
  void Save(const Stored& value);

  TouchSettings& settings;
  CTvSerialPort& serialPort;
  SystemParameters& system_;
  ToneService& tone_;
  FontHandle infoFont;
  // Captions of the values OK could not store, said before the dialog closes.
  std::vector<std::string> unstored_;
};

}  // namespace tavrel
