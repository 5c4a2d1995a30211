#include "dialogs/dialog.h"

namespace tavrel {

Dialog::Dialog(WindowService& windows, int32_t templateId)
    : windows_(windows), templateId_(templateId) {}

int32_t Dialog::DoModal(WindowHandle owner) {
  if (IsOpen()) {
    // Commands reach the panel while this dialog's own run is open: a second window of the same
    // dialog would share (and then clear) its state, so the open one comes forward instead.
    const ScreenRect rect = windows_.WindowRect(window_);
    windows_.ShowWindow(window_, true);
    windows_.Place(window_, ZOrder::kTop, rect.left, rect.top);
    return kIdCancel;
  }
  const int32_t result = windows_.RunModal(templateId_, *this, owner);
  window_ = 0;
  return result;
}

int32_t Dialog::Init(WindowHandle window) {
  window_ = window;
  return OnInitDialog();
}

void Dialog::Command(int32_t id) {
  if (id == kIdOk) {
    OnOK();
  } else if (id == kIdCancel) {
    OnCancel();
  } else {
    OnCommand(id);
  }
}

void Dialog::OnSysCommand(int32_t id) { windows_.DefaultSystemCommand(window_, id); }

void Dialog::EndDialog(int32_t result) { windows_.EndDialog(window_, result); }

ControlHandle Dialog::Item(int32_t id) { return windows_.Control(window_, id); }

void Dialog::SetItemText(int32_t id, const std::string& text) { windows_.SetText(Item(id), text); }

void Dialog::ShowItem(int32_t id, bool visible) { windows_.ShowWindow(Item(id), visible); }

void Dialog::EnableItem(int32_t id, bool enabled) { windows_.EnableWindow(Item(id), enabled); }

void Dialog::SetItemFont(int32_t id, FontHandle font) { windows_.SetFont(Item(id), font); }

void Dialog::SetItemImage(int32_t id, ImageHandle image) {
  windows_.SetButtonImage(Item(id), image);
}

void Dialog::PlaceItem(int32_t id, int32_t x, int32_t y) {
  windows_.Place(Item(id), ZOrder::kTop, x, y);
}

void Dialog::SetTrackbarRange(int32_t id, int32_t min, int32_t max) {
  windows_.SetTrackbarRange(Item(id), min, max);
}

void Dialog::SetTrackbarPos(int32_t id, int32_t pos) { windows_.SetTrackbarPos(Item(id), pos); }

int32_t Dialog::GetTrackbarPos(int32_t id) { return windows_.GetTrackbarPos(Item(id)); }

void Dialog::SetCheck(int32_t id, bool checked) { windows_.SetCheck(Item(id), checked); }

bool Dialog::GetCheck(int32_t id) { return windows_.GetCheck(Item(id)); }

}  // namespace tavrel
