#include "app/main_panel.h"

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "app/touch_app.h"
#include "app/wayland_notice.h"
#include "platform/log.h"
#include "resources/dialog_template.h"
#include "resources/menus_strings.h"
#include "resources/resource_ids.h"

namespace tavrel {

namespace {

namespace id = resource_id;
constexpr int32_t kPanelRightMargin = 10;
constexpr const char* kNoController = "Failed checking for Touch Controller device";
// How often start-up looks for the controller again while it may wait for it.
constexpr uint32_t kRescanMs = 2000;

}  // namespace

MainPanel::MainPanel(ShellPlatform platform, TouchApp& app)
    : Dialog(platform.windows, id::kPanelDialog),
      platform_(platform),
      app_(app),
      aboutDialog(platform.windows) {}

MainPanel::~MainPanel() = default;

int32_t MainPanel::OnInitDialog() {
  const WindowHandle window = Window();
  windows_.SetExtendedStyle(window, windows_.GetExtendedStyle(window) & ~kExStyleAppWindow);
  const std::string_view about = resources::LoadString(id::kAboutString);
  if (!about.empty() && windows_.AppendSystemMenu(window, 0, "")) {
    windows_.AppendSystemMenu(window, id::kAboutCommand, std::string(about));
  }
  windows_.SetWindowIcon(window, id::kAppIcon);
  rightClickOnImage_ = windows_.LoadBitmap(id::kRightClickOnBitmap);
  rightClickOffImage_ = windows_.LoadBitmap(id::kRightClickOffBitmap);
  rightClickButton_ = Item(id::kRightClickButton);
  SetItemImage(id::kRightClickButton, rightClickOffImage_);
  CreateObjects();
  app_.AddTrayIcon(app_.Title());
  windows_.WatchTrayHost([this](bool present) { OnTrayHostChanged(present); });
  FollowTrayIcon();
  wayland_notice::ShowOnce(
      platform_.store, windows_, [](const char* name) { return std::getenv(name); },
      platform_.pointer.ReachesEveryClient());

  windows_.WatchEndRequests([this] { OnEndRequest(); });

  int32_t foundPort = 0;
  const int32_t detected = FindController(foundPort);
  // Asked to end meanwhile: the run has ended already.
  if (endRequested_) return 1;
  if (detected != link_result::kOk) {
    settings->ShowMessage(kNoController);
    // Ends before the panel is ever shown, with a status that says why.
    app_.SetExitStatus(kExitNoController);
    PrepareExit();
    EndDialog(kIdCancel);
    return 1;
  }
  if (foundPort != 0) settings->SaveSerialPort(foundPort);
  PlacePanel(1);
  running_ = true;
  return 1;
}

int32_t MainPanel::FindController(int32_t& foundPort) {
  Clock& clock = platform_.serial.clock;
  const int32_t wait = app_.ControllerWait();
  const uint64_t deadline = clock.NowMs() + static_cast<uint64_t>(wait) * 1000;
  for (bool first = true;; first = false) {
    // Each port's outcome is logged on the first scan and on the last.
    const bool last = clock.NowMs() >= deadline;
    serialPort->LogScanDetails(first || last);
    const int32_t result = serialPort->DetectController(foundPort);
    if (result == link_result::kOk || last) return result;
    if (first) {
      log::Info("no controller yet; looking again every " + std::to_string(kRescanMs / 1000) +
                " s for up to " + std::to_string(wait) + " s");
    }
    windows_.DispatchFor(kRescanMs);
    if (endRequested_) return result;
  }
}

void MainPanel::CreateObjects() {
  RightClickObserver* rightClick = this;
  settings = std::make_unique<TouchSettings>(
      TouchSettings::Platform{platform_.store, platform_.system, platform_.windows}, rightClick);
  keyboard = std::make_unique<VirtualKeyboard>(windows_, platform_.keys, id::kKeyboardDialog);
  largeKeyboard =
      std::make_unique<VirtualKeyboard>(windows_, platform_.keys, id::kLargeKeyboardDialog);
  decoder = std::make_unique<ReportDecoder>(*settings, platform_.pointer, platform_.tone);
  serialPort = std::make_unique<CTvSerialPort>(*settings, *decoder, platform_.serial);
  setupDialog = std::make_unique<SetupDialog>(
      *serialPort, *settings,
      SetupDialog::Platform{platform_.windows, platform_.system, platform_.tone});
  calibrationDialog =
      std::make_unique<CalibrationDialog>(windows_, platform_.tone, *settings, *serialPort);
}

void MainPanel::RightClickStateChanged(bool on) {
  windows_.SetButtonImage(rightClickButton_, on ? rightClickOnImage_ : rightClickOffImage_);
}

void MainPanel::PlacePanel(int32_t topmost) {
  const ScreenRect desktop = windows_.DesktopRect();
  const ScreenRect panel = windows_.WindowRect(Window());
  settings->SetDesktopRect(desktop.left, desktop.top, desktop.right, desktop.bottom);
  settings->SetPanelRect(panel.left, panel.top, panel.right, panel.bottom);
  const int32_t x = desktop.right - settings->GetPanelWidth() - kPanelRightMargin;
  const int32_t y = desktop.bottom - settings->GetPanelHeight() - resources::kPanelBottomMargin;
  windows_.Place(Window(), topmost == 1 ? ZOrder::kTopmost : ZOrder::kNoTopmost, x, y);
}

void MainPanel::OnCommand(int32_t command) {
  switch (command) {
    case id::kRightClickButton:
      ToggleRightClick();
      break;
    case id::kHideButton:
      // Disabled while there is no icon to bring the panel back; Enter may still reach it.
      if (app_.HasTrayIcon()) windows_.ShowWindow(Window(), false);
      break;
    case id::kShowOnTopCommand:
      ToggleShowOnTop();
      break;
    case id::kShowWindowCommand:
      windows_.ShowWindow(Window(), true);
      break;
    case id::kCloseCommand:
      CloseSequence();
      break;
    case id::kShowKeyboardCommand:
      keyboard->Run(Window());
      break;
    case id::kShowLargeKeyboardCommand:
      largeKeyboard->Run(Window());
      break;
    case id::kCalibrationCommand:
      RunCalibration();
      break;
    case id::kSetupCommand:
      setupDialog->Run(Window());
      break;
    default:
      break;
  }
}

void MainPanel::ToggleRightClick() {
  settings->SaveRightClickEnabled(settings->ReadRightClickEnabled() == 1 ? 0 : 1);
  // The image shows what the next touch will do: a write that failed changed nothing.
  settings->ShowRightClickState(settings->IsRightClickEnabled());
}

void MainPanel::OnTrayNotify(int32_t /*iconId*/, int32_t mouseMessage) {
  if (mouseMessage == kMouseMessageLeftDown) ShowTrayMenu();
}

void MainPanel::ShowTrayMenu() {
  if (const auto popup = TrayMenu()) windows_.TrackPopupMenu(Window(), *popup);
}

std::optional<std::vector<MenuEntry>> MainPanel::TrayMenu() const {
  // Loaded afresh at each press, so the check mark always shows the flag as it is now.
  auto popup = resources::LoadMenuPopup(id::kTrayMenu, 0);
  if (!popup) return std::nullopt;
  for (MenuEntry& entry : *popup) {
    if (entry.id == id::kShowOnTopCommand) entry.checked = showOnTop != 0;
  }
  return popup;
}

std::vector<MenuEntry> MainPanel::OnContextMenu() {
  if (app_.HasTrayIcon()) return {};
  return TrayMenu().value_or(std::vector<MenuEntry>{});
}

void MainPanel::OnTrayHostChanged(bool present) {
  if (present == app_.HasTrayIcon()) return;
  if (present) {
    app_.AddTrayIcon(app_.Title());
  } else {
    app_.RemoveTrayIcon();
  }
  FollowTrayIcon();
}

void MainPanel::FollowTrayIcon() {
  const bool icon = app_.HasTrayIcon();
  EnableItem(id::kHideButton, icon);
  if (icon) {
    log::Info("Notification area present: the commands are in the tray icon's menu");
    return;
  }
  log::Info(
      "No notification area: \"Hide\" is disabled and the commands are in the panel's context "
      "menu (right button)");
  if (running_) windows_.ShowWindow(Window(), true);
}

void MainPanel::BringToFront() {
  if (!running_) return;
  const ScreenRect at = windows_.WindowRect(Window());
  windows_.ShowWindow(Window(), true);
  windows_.Place(Window(), ZOrder::kTop, at.left, at.top);
}

void MainPanel::ToggleShowOnTop() {
  showOnTop = showOnTop == 0 ? 1 : 0;
  PlacePanel(showOnTop);
  windows_.ShowWindow(Window(), true);
}

void MainPanel::CloseSequence() {
  // The keyboards, calibration and setup dialogs come first, in that order;
  // the About box may be open too, and closes with them.
  for (Dialog* dialog :
       std::initializer_list<Dialog*>{keyboard.get(), largeKeyboard.get(), calibrationDialog.get(),
                                      setupDialog.get(), &aboutDialog}) {
    if (dialog->IsOpen() && windows_.IsWindow(dialog->Window())) {
      windows_.SendClose(dialog->Window());
    }
  }
  platform_.system.Set(SystemParameter::kMouseTrails, 0);
  OnCancel();
}

void MainPanel::OnEndRequest() {
  if (endRequested_) return;
  endRequested_ = true;
  CloseSequence();
}

void MainPanel::RunCalibration() {
  if (calibrationDialog->IsOpen()) {
    // Chosen again from inside its own run: the open one comes forward, and the capture it
    // relies on stays on.
    calibrationDialog->DoModal(Window());
    return;
  }
  settings->SetDecoderMode(kDecoderCapture);
  calibrationDialog->DoModal(Window());
  settings->SetDecoderMode(kDecoderNormal);
  calibrationDialog->SetStep(0);
}

void MainPanel::OnCancel() {
  PrepareExit();
  serialPort->CloseSerialPort(1);
  EndDialog(kIdCancel);
}

void MainPanel::OnOK() {
  PrepareExit();
  EndDialog(kIdOk);
}

void MainPanel::PrepareExit() {
  running_ = false;
  windows_.WatchTrayHost(nullptr);
  windows_.WatchEndRequests(nullptr);
  app_.RemoveTrayIcon();
  windows_.StopCrossThreadCalls();
}

void MainPanel::OnSysCommand(int32_t command) {
  if ((command & kSysCommandMask) == id::kAboutCommand) {
    aboutDialog.DoModal(Window());
  } else {
    Dialog::OnSysCommand(command);
  }
}

}  // namespace tavrel
