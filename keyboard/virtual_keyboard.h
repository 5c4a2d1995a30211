#pragma once

#include <array>
#include <cstdint>

#include "dialogs/dialog.h"
#include "platform/key_service.h"
#include "resources/keyboard_templates.h"

namespace tavrel {

// The on-screen keyboard in one of its two layouts (template 133 normal, 134 LARGE): a window of
// keys that types into whatever application has the keyboard focus, never taking the focus
// itself. It keeps its own one-shot Shift and Caps state, releases held modifiers after a
// character, and switches its captions between lower and upper case.
class VirtualKeyboard : public Dialog {
 public:
  VirtualKeyboard(WindowService& windows, KeyService& keys, int32_t layout);

  // Opens the window at the bottom centre of the primary monitor, clear of the owner (the main
  // panel), and runs it until it is closed.
  int32_t Run(WindowHandle owner);

  // One key action: a named-key code of the keyboard's own numbering (named) or an 8-bit
  // character to type.
  void SendKey(int32_t code, bool named);
  // Types the first character of the key's current caption.
  void SendCaptionKey(int32_t keyId);
  void OnShift();
  void OnCaps();
  // Sets the captions that follow Shift and Caps; the punctuation ones only while Caps is off.
  void SetCaptions(bool upper);

  bool ShiftActive() const { return shiftActive; }
  bool CapsActive() const { return capsActive; }

 protected:
  int32_t OnInitDialog() override;
  void OnCommand(int32_t id) override;

 private:
  void SendNamedKey(uint8_t code);
  void SendCharacter(char character);
  void SendAt();
  void Tap(uint8_t virtualKey);
  bool IsDown(uint8_t virtualKey);
  void ReleaseHeldModifiers();
  void PlaceWindow();
  void ShowKeyImages();

  KeyService& keys_;
  WindowHandle owner_ = 0;
  // Loaded at the first opening and kept, as every other image of the program.
  std::array<ImageHandle, resources::keyboard_layout::kImageKeyCount> keyImages_{};
  bool shiftActive = false;
  bool capsActive = false;
};

}  // namespace tavrel
