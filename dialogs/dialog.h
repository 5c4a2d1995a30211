#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_service.h"

namespace tavrel {

// A window built from a dialog template and run modally, with the handlers the dialogs override
// and helpers that act on a control by id. The window exists only while the run lasts.
class Dialog : private DialogEvents {
 public:
  Dialog(WindowService& windows, int32_t templateId);
  ~Dialog() override = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Builds the window, owned by owner (0: none), and runs it until EndDialog; returns the result.
  // A dialog that is already open is brought to the front instead and the call returns kIdCancel
  // at once.
  int32_t DoModal(WindowHandle owner);
  // The window while the dialog runs, else 0.
  WindowHandle Window() const { return window_; }
  bool IsOpen() const { return window_ != 0; }

 protected:
  // Handlers; the defaults are what the desktop's dialog manager does.
  virtual int32_t OnInitDialog() { return 1; }
  // Commands other than kIdOk and kIdCancel.
  virtual void OnCommand(int32_t /*id*/) {}
  virtual void OnOK() { EndDialog(kIdOk); }
  virtual void OnCancel() { EndDialog(kIdCancel); }
  virtual void OnTrackbar(int32_t /*id*/) {}
  virtual void OnLButtonDown(int32_t /*x*/, int32_t /*y*/) {}
  virtual void OnLButtonUp(int32_t /*x*/, int32_t /*y*/) {}
  virtual void OnSysCommand(int32_t id);
  virtual void OnTrayNotify(int32_t /*iconId*/, int32_t /*mouseMessage*/) {}
  // Commands the window's context menu offers besides its system menu.
  virtual std::vector<MenuEntry> OnContextMenu() { return {}; }

  void EndDialog(int32_t result);
  ControlHandle Item(int32_t id);
  void SetItemText(int32_t id, const std::string& text);
  void ShowItem(int32_t id, bool visible);
  void EnableItem(int32_t id, bool enabled);
  void SetItemFont(int32_t id, FontHandle font);
  void SetItemImage(int32_t id, ImageHandle image);
  void PlaceItem(int32_t id, int32_t x, int32_t y);
  void SetTrackbarRange(int32_t id, int32_t min, int32_t max);
  void SetTrackbarPos(int32_t id, int32_t pos);
  int32_t GetTrackbarPos(int32_t id);
  void SetCheck(int32_t id, bool checked);
  bool GetCheck(int32_t id);

  WindowService& windows_;

 private:
  int32_t Init(WindowHandle window) override;
  void Command(int32_t id) override;
  void Close() override { Command(kIdCancel); }
  void Trackbar(int32_t id) override { OnTrackbar(id); }
  void LeftButtonDown(int32_t x, int32_t y) override { OnLButtonDown(x, y); }
  void LeftButtonUp(int32_t x, int32_t y) override { OnLButtonUp(x, y); }
  void SysCommand(int32_t id) override { OnSysCommand(id); }
  void TrayNotify(int32_t iconId, int32_t mouseMessage) override {
    OnTrayNotify(iconId, mouseMessage);
  }
  std::vector<MenuEntry> ContextMenu() override { return OnContextMenu(); }

  int32_t templateId_;
  WindowHandle window_ = 0;
};

}  // namespace tavrel
