#include "platform/qt/qt_window_service.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <utility>

#include "platform/cross_thread_calls.h"
#include "platform/qt/bitmap_button.h"
#include "platform/qt/dialog_window.h"
#include "platform/qt/qt_end_requests.h"
#include "platform/qt/qt_images.h"
#include "platform/qt/trackbar.h"
#include "platform/tray_host_watch.h"

namespace tavrel {

namespace {

constexpr std::chrono::milliseconds kTrayWatchInterval{500};

QString Text(const std::string& text) { return QString::fromStdString(text); }

ScreenRect ToScreenRect(const QRect& rect) {
  return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

int32_t MouseMessage(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return kMouseMessageLeftDown;
    case QSystemTrayIcon::DoubleClick:
      return kMouseMessageLeftDoubleClick;
    case QSystemTrayIcon::Context:
      return kMouseMessageRightDown;
    case QSystemTrayIcon::MiddleClick:
      return kMouseMessageMiddleDown;
    case QSystemTrayIcon::Unknown:
      break;
  }
  return 0;
}

}  // namespace

struct QtWindowService::State {
  State(int& argc, char** argv) : app(argc, argv) {}

  // Handles are numbers that are never reused, so a stale handle never reaches a new window.
  WindowHandle Register(QWidget* widget) {
    const WindowHandle handle = nextHandle++;
    widgets.insert(handle, widget);
    return handle;
  }
  // A top-level window the layer made: it is kept until Destroy (or the layer's end).
  WindowHandle Adopt(std::unique_ptr<QWidget> widget) {
    const WindowHandle handle = Register(widget.get());
    owned.emplace(handle, std::move(widget));
    return handle;
  }
  void Destroy(WindowHandle handle) {
    owned.erase(handle);
    Forget(handle);
  }
  QWidget* Widget(WindowHandle handle) const { return widgets.value(handle).data(); }
  DialogWindow* Dialog(WindowHandle handle) const {
    return dynamic_cast<DialogWindow*>(Widget(handle));
  }
  // Drops the handle and those of widgets that no longer exist (a dialog's controls).
  void Forget(WindowHandle handle) {
    widgets.remove(handle);
    widgets.removeIf([](const auto& entry) { return entry.value().isNull(); });
  }
  bool OnUiThread() const { return QThread::currentThread() == app.thread(); }

  QApplication app;
  // Made by the first watch, so that a program that never asks keeps the signals' defaults;
  // owned by the application object.
  QtEndRequests* endRequests = nullptr;
  WindowHandle nextHandle = 1;
  QHash<WindowHandle, QPointer<QWidget>> widgets;
  // Declared after the application object, so that the windows go before it.
  std::map<WindowHandle, std::unique_ptr<QWidget>> owned;
  std::map<ImageHandle, QPixmap> images;
  std::map<FontHandle, QFont> fonts;
  std::map<std::pair<WindowHandle, int32_t>, std::unique_ptr<QSystemTrayIcon>> trayIcons;
  int32_t cursorCount = 0;
  QPointer<QTimer> trayWatch;
  TrayHostWatch trayHost;

  CrossThreadCalls calls;
};

QtWindowService::QtWindowService(int& argc, char** argv)
    : state_(std::make_unique<State>(argc, argv)) {
  // The program's life is the panel's modal run, not the presence of a visible window.
  QApplication::setQuitOnLastWindowClosed(false);
}

QtWindowService::~QtWindowService() {
  StopCrossThreadCalls();
  state_->trayIcons.clear();
  state_->owned.clear();
}

int32_t QtWindowService::RunModal(int32_t templateId, DialogEvents& events, WindowHandle owner) {
  const resources::DialogTemplate* dialogTemplate = resources::FindDialog(templateId);
  if (dialogTemplate == nullptr) return -1;
  QWidget* ownerWidget = state_->Widget(owner);
  auto made = std::make_unique<DialogWindow>(*dialogTemplate, events, ownerWidget != nullptr);
  DialogWindow* window = made.get();
  const WindowHandle handle = state_->Adopt(std::move(made));
  for (QWidget* control : window->Controls()) state_->Register(control);

  const QRect desktop = QGuiApplication::primaryScreen()->geometry();
  QPoint at = ownerWidget ? ownerWidget->geometry().topLeft() : desktop.topLeft();
  at += QPoint(resources::DluToPixelsX(dialogTemplate->x),
               resources::DluToPixelsY(dialogTemplate->y));
  if (dialogTemplate->Has(resources::style::kCenter)) {
    at = desktop.center() - QPoint(window->width() / 2, window->height() / 2);
  }
  // Kept whole on the screen, as the desktop does with dialogs placed relative to their owner.
  at.setX(std::max(desktop.left(), std::min(at.x(), desktop.right() + 1 - window->width())));
  at.setY(std::max(desktop.top(), std::min(at.y(), desktop.bottom() + 1 - window->height())));
  window->move(at);

  if (events.Init(handle) != 0) window->FocusFirstTabStop();
  const bool ownerWasEnabled = ownerWidget && ownerWidget->isEnabled();
  if (!window->Ended()) {
    if (ownerWidget) ownerWidget->setEnabled(false);
    window->show();
    if (!(window->ExtendedStyle() & kExStyleNoActivate)) {
      window->raise();
      window->activateWindow();
    }
  }
  const int32_t result = window->Run();
  if (ownerWasEnabled && state_->Widget(owner)) ownerWidget->setEnabled(true);
  state_->Destroy(handle);
  return result;
}

void QtWindowService::EndDialog(WindowHandle window, int32_t result) {
  if (DialogWindow* dialog = state_->Dialog(window)) dialog->End(result);
}

bool QtWindowService::IsWindow(WindowHandle window) { return state_->Widget(window) != nullptr; }

void QtWindowService::SendClose(WindowHandle window) {
  if (DialogWindow* dialog = state_->Dialog(window)) dialog->Events().Close();
}

WindowHandle QtWindowService::CreateOwnerWindow() {
  return state_->Adopt(std::make_unique<QWidget>());
}

void QtWindowService::DestroyWindow(WindowHandle window) { state_->Destroy(window); }

ControlHandle QtWindowService::Control(WindowHandle dialog, int32_t id) {
  DialogWindow* window = state_->Dialog(dialog);
  QWidget* control = window ? window->ControlById(id) : nullptr;
  if (control == nullptr) return 0;
  for (auto it = state_->widgets.begin(); it != state_->widgets.end(); ++it) {
    if (it.value() == control) return it.key();
  }
  return 0;
}

void QtWindowService::SetText(ControlHandle control, const std::string& text) {
  QWidget* widget = state_->Widget(control);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(Text(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setTextFormat(Qt::PlainText);
    label->setText(Text(text));
  } else if (widget) {
    widget->setWindowTitle(Text(text));
  }
}

void QtWindowService::SetFont(ControlHandle control, FontHandle font) {
  QWidget* widget = state_->Widget(control);
  auto it = state_->fonts.find(font);
  if (widget == nullptr || it == state_->fonts.end()) return;
  widget->setFont(it->second);
  // A text sized in dialog units for the template's small font grows to show its lines whole
  // in a larger one.
  if (auto* label = qobject_cast<QLabel*>(widget); label && label->pixmap().isNull()) {
    label->resize(label->width(), std::max(label->height(), label->heightForWidth(label->width())));
  }
}

void QtWindowService::EnableWindow(WindowHandle window, bool enabled) {
  if (QWidget* widget = state_->Widget(window)) widget->setEnabled(enabled);
}

void QtWindowService::ShowWindow(WindowHandle window, bool visible) {
  QWidget* widget = state_->Widget(window);
  if (widget == nullptr) return;
  // A window minimised through the window manager's box comes back as it was: a tool window has
  // no taskbar button to bring it back otherwise.
  if (visible && widget->isMinimized()) {
    widget->showNormal();
    return;
  }
  widget->setVisible(visible);
}

void QtWindowService::ShowMaximized(WindowHandle window) {
  QWidget* widget = state_->Widget(window);
  if (widget == nullptr || !widget->isWindow()) return;
  // Templates fix a dialog's size; a maximised one takes the screen's instead.
  widget->setMinimumSize(0, 0);
  widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  DialogWindow* dialog = state_->Dialog(window);
  if (dialog && !dialog->Template().Has(resources::style::kCaption)) {
    // A maximised window without a caption covers the whole primary monitor, panels and the
    // tray included, and stays above them.
    QScreen* screen = QGuiApplication::primaryScreen();
    SetTopLevelFlags(widget, widget->windowFlags() | Qt::WindowStaysOnTopHint);
    widget->setGeometry(screen->geometry());
    widget->showFullScreen();
    widget->raise();
    return;
  }
  widget->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
  widget->showMaximized();
}

bool QtWindowService::IsVisible(WindowHandle window) {
  QWidget* widget = state_->Widget(window);
  return widget && widget->isVisible();
}

void QtWindowService::SetTrackbarRange(ControlHandle trackbar, int32_t min, int32_t max) {
  if (auto* slider = dynamic_cast<Trackbar*>(state_->Widget(trackbar))) {
    // Setting a trackbar from the program sends no notification.
    const QSignalBlocker quiet(slider);
    slider->SetRange(min, max);
  }
}

void QtWindowService::SetTrackbarPos(ControlHandle trackbar, int32_t pos) {
  if (auto* slider = qobject_cast<QSlider*>(state_->Widget(trackbar))) {
    const QSignalBlocker quiet(slider);
    slider->setValue(pos);
  }
}

int32_t QtWindowService::GetTrackbarPos(ControlHandle trackbar) {
  auto* slider = qobject_cast<QSlider*>(state_->Widget(trackbar));
  return slider ? slider->value() : 0;
}

void QtWindowService::SetCheck(ControlHandle checkBox, bool checked) {
  if (auto* box = qobject_cast<QCheckBox*>(state_->Widget(checkBox))) box->setChecked(checked);
}

bool QtWindowService::GetCheck(ControlHandle checkBox) {
  auto* box = qobject_cast<QCheckBox*>(state_->Widget(checkBox));
  return box && box->isChecked();
}

ScreenRect QtWindowService::DesktopRect() {
  return ToScreenRect(QGuiApplication::primaryScreen()->geometry());
}

ScreenRect QtWindowService::WindowRect(WindowHandle window) {
  QWidget* widget = state_->Widget(window);
  if (widget == nullptr) return {};
  return ToScreenRect(widget->isWindow() ? widget->frameGeometry() : widget->geometry());
}

void QtWindowService::Place(WindowHandle window, ZOrder order, int32_t x, int32_t y) {
  QWidget* widget = state_->Widget(window);
  if (widget == nullptr) return;
  widget->move(x, y);
  if (widget->isWindow() && (order == ZOrder::kTopmost || order == ZOrder::kNoTopmost)) {
    Qt::WindowFlags flags = widget->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, order == ZOrder::kTopmost);
    SetTopLevelFlags(widget, flags);
  }
  if (order != ZOrder::kKeep && order != ZOrder::kNoTopmost) widget->raise();
}

bool QtWindowService::IsTopmost(WindowHandle window) {
  QWidget* widget = state_->Widget(window);
  return widget && widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

uint32_t QtWindowService::GetExtendedStyle(WindowHandle window) {
  DialogWindow* dialog = state_->Dialog(window);
  return dialog ? dialog->ExtendedStyle() : 0;
}

void QtWindowService::SetExtendedStyle(WindowHandle window, uint32_t exStyle) {
  if (DialogWindow* dialog = state_->Dialog(window)) dialog->SetExtendedStyle(exStyle);
}

ImageHandle QtWindowService::LoadBitmap(int32_t bitmapId) {
  QPixmap pixmap = BitmapPixmap(bitmapId);
  if (pixmap.isNull()) return 0;
  const ImageHandle handle = state_->nextHandle++;
  state_->images.emplace(handle, std::move(pixmap));
  return handle;
}

FontHandle QtWindowService::CreateFont(const FontDescription& description) {
  QFont font;
  font.setFamilies({Text(description.face), "Liberation Sans", "DejaVu Sans", "sans-serif"});
  font.setPixelSize(description.pixelHeight);
  font.setWeight(QFont::Weight(description.weight));
  const FontHandle handle = state_->nextHandle++;
  state_->fonts.emplace(handle, font);
  return handle;
}

void QtWindowService::SetButtonImage(ControlHandle button, ImageHandle image) {
  RunOnUiThread([this, button, image] {
    auto it = state_->images.find(image);
    const QPixmap pixmap = it == state_->images.end() ? QPixmap() : it->second;
    QWidget* widget = state_->Widget(button);
    if (auto* bitmapButton = dynamic_cast<BitmapButton*>(widget)) {
      bitmapButton->SetImage(pixmap);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setPixmap(pixmap);
      label->resize(pixmap.size());
    }
  });
}

void QtWindowService::SetWindowIcon(WindowHandle window, int32_t iconId) {
  if (QWidget* widget = state_->Widget(window)) widget->setWindowIcon(ResourceIcon(iconId));
}

bool QtWindowService::AppendSystemMenu(WindowHandle window, int32_t id, const std::string& text) {
  DialogWindow* dialog = state_->Dialog(window);
  if (dialog == nullptr) return false;
  dialog->AppendSystemMenu(id, Text(text));
  return true;
}

void QtWindowService::DefaultSystemCommand(WindowHandle window, int32_t id) {
  DialogWindow* dialog = state_->Dialog(window);
  if (dialog && (id & kSysCommandMask) == kSysCommandClose) dialog->Events().Close();
}

bool QtWindowService::AddTrayIcon(WindowHandle owner, int32_t iconId, const std::string& tip) {
  // Without a notification area the icon would wait unseen, and the caller could not tell.
  if (!state_->Dialog(owner) || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
  auto icon = std::make_unique<QSystemTrayIcon>(ResourceIcon(iconId));
  icon->setToolTip(Text(tip).left(static_cast<qsizetype>(kTrayTipLength)));
  QObject::connect(icon.get(), &QSystemTrayIcon::activated, icon.get(),
                   [this, owner, iconId](QSystemTrayIcon::ActivationReason reason) {
                     if (DialogWindow* dialog = state_->Dialog(owner)) {
                       dialog->Events().TrayNotify(iconId, MouseMessage(reason));
                     }
                   });
  icon->show();
  state_->trayIcons[{owner, iconId}] = std::move(icon);
  return true;
}

void QtWindowService::RemoveTrayIcon(WindowHandle owner, int32_t iconId) {
  state_->trayIcons.erase({owner, iconId});
}

bool QtWindowService::WatchTrayHost(std::function<void(bool present)> changed) {
  // Stopped, not deleted: this may run inside the old watch's own call.
  if (state_->trayWatch) {
    state_->trayWatch->stop();
    state_->trayWatch->deleteLater();
  }
  const bool present = QSystemTrayIcon::isSystemTrayAvailable();
  state_->trayHost.Start(present, std::move(changed));
  if (!state_->trayHost.Watching()) return present;
  // The host's selection is asked for twice a second: one round trip to the X server.
  auto* timer = new QTimer(&state_->app);
  timer->setInterval(kTrayWatchInterval);
  QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
    if (timer->isActive()) state_->trayHost.Check(QSystemTrayIcon::isSystemTrayAvailable());
  });
  timer->start();
  state_->trayWatch = timer;
  return present;
}

void QtWindowService::TrackPopupMenu(WindowHandle owner, const std::vector<MenuEntry>& items) {
  QMenu menu;
  AddMenuEntries(menu, items);
  QAction* chosen = menu.exec(QCursor::pos());
  DialogWindow* dialog = state_->Dialog(owner);
  if (chosen == nullptr || dialog == nullptr) return;
  // The command arrives as a message after the menu has gone, as the desktop posts it.
  const int32_t id = chosen->data().toInt();
  QTimer::singleShot(0, dialog, [dialog, id] { dialog->Events().Command(id); });
}

int32_t QtWindowService::ShowCursor(bool show) {
  const int32_t before = state_->cursorCount;
  state_->cursorCount += show ? 1 : -1;
  if (before >= 0 && state_->cursorCount < 0) QGuiApplication::setOverrideCursor(Qt::BlankCursor);
  if (before < 0 && state_->cursorCount >= 0) QGuiApplication::restoreOverrideCursor();
  return state_->cursorCount;
}

namespace {

// Shows the box and dispatches until the user has closed it.
void RunMessageBox(QMessageBox& box) {
  // Message texts may carry what a device or a file said: never read as markup.
  box.setTextFormat(Qt::PlainText);
  QEventLoop loop;
  QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
  box.show();
  loop.exec();
}

}  // namespace

void QtWindowService::ShowMessage(const std::string& caption, const std::string& text) {
  RunOnUiThread([&] {
    // Not application-modal: the panel and the tray icon keep working while the box is open.
    QMessageBox box(QMessageBox::NoIcon, Text(caption), Text(text), QMessageBox::Ok);
    box.setWindowModality(Qt::NonModal);
    RunMessageBox(box);
  });
}

void QtWindowService::ShowOwnedMessage(WindowHandle owner, const std::string& caption,
                                       const std::string& text) {
  QWidget* ownerWidget = state_->Widget(owner);
  if (ownerWidget == nullptr) return ShowMessage(caption, text);
  RunOnUiThread([&] {
    QMessageBox box(QMessageBox::NoIcon, Text(caption), Text(text), QMessageBox::Ok,
                    ownerWidget->window());
    // Modal to its owner only, and above it even when the owner stays on top.
    box.setWindowModality(Qt::WindowModal);
    if (ownerWidget->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
      box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    RunMessageBox(box);
  });
}

// Posting never waits, so it goes on after cross-thread calls have stopped; what is still
// queued when the application object goes is dropped with it.
void QtWindowService::PostRepeatedLeftPress() {
  QMetaObject::invokeMethod(
      &state_->app,
      [] {
        const QPoint at = QCursor::pos();
        QWidget* widget = QApplication::widgetAt(at);
        auto* dialog = widget ? dynamic_cast<DialogWindow*>(widget->window()) : nullptr;
        // A window under a modal box or menu, or one that is closing, takes no input.
        if (dialog == nullptr || dialog->Ended() || !dialog->isEnabled() ||
            QApplication::activeModalWidget() || QApplication::activePopupWidget()) {
          return;
        }
        const QPoint local = dialog->mapFromGlobal(at);
        dialog->Events().LeftButtonDown(local.x(), local.y());
      },
      Qt::QueuedConnection);
}

void QtWindowService::RunOnUiThread(const std::function<void()>& call) {
  if (state_->OnUiThread()) {
    call();
    return;
  }
  state_->calls.Run(call, [this] {
    QMetaObject::invokeMethod(&state_->app, [this] { state_->calls.RunPending(); });
  });
}

void QtWindowService::DispatchFor(uint32_t ms) {
  QEventLoop loop;
  QTimer::singleShot(std::chrono::milliseconds(ms), &loop, &QEventLoop::quit);
  loop.exec();
}

void QtWindowService::WatchEndRequests(std::function<void()> end) {
  if (state_->endRequests == nullptr) {
    if (!end) return;
    state_->endRequests = new QtEndRequests(state_->app);
  }
  state_->endRequests->SetHandler(std::move(end));
}

void QtWindowService::StopCrossThreadCalls() { state_->calls.Stop(); }

std::string QtWindowService::GetText(ControlHandle control) {
  QWidget* widget = state_->Widget(control);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  return widget ? widget->windowTitle().toStdString() : std::string();
}

}  // namespace tavrel
