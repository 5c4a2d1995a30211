#include "platform/qt/dialog_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QWindow>

#include "platform/qt/bitmap_button.h"
#include "platform/qt/qt_images.h"
#include "platform/qt/trackbar.h"

namespace tavrel {

namespace {

namespace style = resources::style;
using resources::ControlKind;
using resources::DluToPixelsX;
using resources::DluToPixelsY;

constexpr int kIconPictureSize = 32;
constexpr uint32_t kStaticTypeMask = 0x1F;
constexpr uint32_t kLeftNoWordWrap = 0x0C;

// Tab stops take the focus by keyboard and pointer; other buttons and trackbars by pointer only;
// texts, pictures and frames never.
Qt::FocusPolicy FocusPolicyOf(const resources::ControlTemplate& control) {
  if ((control.style & style::kTabStop) != 0) return Qt::StrongFocus;
  switch (control.kind) {
    case ControlKind::kStaticText:
    case ControlKind::kCenteredText:
    case ControlKind::kBitmapPicture:
    case ControlKind::kIconPicture:
    case ControlKind::kGroupBox:
      return Qt::NoFocus;
    default:
      return Qt::ClickFocus;
  }
}

QFont TemplateFont(const resources::DialogTemplate& dialogTemplate) {
  // The templates' 8-point face is not on X11 desktops; a sans face of the same pixel height
  // keeps the dialog-unit geometry readable. Liberation Sans first: its Arial widths are close
  // to the templates' face, so captions fit where the templates made room for them.
  QFont font;
  font.setFamilies({QString::fromUtf8(dialogTemplate.fontFace.data(),
                                      static_cast<qsizetype>(dialogTemplate.fontFace.size())),
                    "Liberation Sans", "DejaVu Sans", "sans-serif"});
  font.setPixelSize((dialogTemplate.pointSize * 96 + 36) / 72);
  return font;
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void SetTopLevelFlags(QWidget* widget, Qt::WindowFlags flags) {
  if (widget->windowHandle() == nullptr) {
    widget->setWindowFlags(flags);
    return;
  }
  // setWindowFlags would hide a shown window; the native window takes the new flags in place.
  widget->overrideWindowFlags(flags);
  widget->windowHandle()->setFlags(flags);
}

DialogWindow::DialogWindow(const resources::DialogTemplate& dialogTemplate, DialogEvents& events,
                           bool owned)
    : template_(dialogTemplate), events_(events), owned_(owned), exStyle_(dialogTemplate.exStyle) {
  setFont(TemplateFont(dialogTemplate));
  setWindowTitle(Text(dialogTemplate.caption));
  setFixedSize(DluToPixelsX(dialogTemplate.cx), DluToPixelsY(dialogTemplate.cy));
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildControls();
  SetExtendedStyle(exStyle_);
}

void DialogWindow::SetExtendedStyle(uint32_t exStyle) {
  exStyle_ = exStyle;
  const bool tool =
      (exStyle & kExStyleToolWindow) != 0 || (owned_ && !(exStyle & kExStyleAppWindow));
  const bool captioned = template_.Has(style::kCaption);
  Qt::WindowFlags flags = tool ? Qt::Tool : (captioned ? Qt::Dialog : Qt::Window);
  if (captioned) {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (template_.Has(style::kSysMenu)) flags |= Qt::WindowCloseButtonHint;
  } else {
    flags |= Qt::FramelessWindowHint;
  }
  if (template_.Has(style::kSysModal) || (windowFlags() & Qt::WindowStaysOnTopHint)) {
    flags |= Qt::WindowStaysOnTopHint;
  }
  const bool noActivate = (exStyle & kExStyleNoActivate) != 0;
  if (noActivate) flags |= Qt::WindowDoesNotAcceptFocus;
  setAttribute(Qt::WA_ShowWithoutActivating, noActivate);
  for (const auto& control : template_.controls) {
    if (QWidget* widget = controls_.value(control.id)) {
      widget->setFocusPolicy(noActivate ? Qt::NoFocus : FocusPolicyOf(control));
    }
  }
  SetTopLevelFlags(this, flags);
}

void DialogWindow::BuildControls() {
  for (const auto& control : template_.controls) {
    QWidget* widget = CreateControl(control);
    widget->setGeometry(DluToPixelsX(control.x), DluToPixelsY(control.y), DluToPixelsX(control.cx),
                        DluToPixelsY(control.cy));
    if (control.kind == ControlKind::kBitmapPicture || control.kind == ControlKind::kIconPicture) {
      widget->resize(static_cast<QLabel*>(widget)->pixmap().size());
    }
    if (control.kind == ControlKind::kGroupBox) widget->lower();
    widget->setEnabled((control.style & style::kDisabled) == 0);
    widget->setVisible((control.style & style::kVisible) != 0);
    if (control.id != resources::kStaticId) controls_.insert(control.id, widget);
  }
}

QWidget* DialogWindow::CreateControl(const resources::ControlTemplate& control) {
  const int32_t id = control.id;
  const QString text = Text(control.text);
  auto command = [this, id] { events_.Command(id); };
  switch (control.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultButton: {
      auto* button = new QPushButton(text, this);
      button->setDefault(control.kind == ControlKind::kDefaultButton);
      button->installEventFilter(this);
      connect(button, &QPushButton::clicked, this, command);
      return button;
    }
    case ControlKind::kBitmapButton: {
      auto* button = new BitmapButton(text, this);
      button->installEventFilter(this);
      connect(button, &QPushButton::clicked, this, command);
      return button;
    }
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(text, this);
      connect(box, &QCheckBox::clicked, this, command);
      return box;
    }
    case ControlKind::kTrackbar:
      return new Trackbar(
          control.style, [this, id] { events_.Trackbar(id); }, this);
    case ControlKind::kGroupBox:
      return new QGroupBox(text, this);
    case ControlKind::kBitmapPicture: {
      auto* label = new QLabel(this);
      label->setPixmap(BitmapPixmap(control.imageId));
      return label;
    }
    case ControlKind::kIconPicture: {
      auto* label = new QLabel(this);
      label->setPixmap(IconPixmap(control.imageId, kIconPictureSize));
      return label;
    }
    case ControlKind::kCenteredText:
    case ControlKind::kStaticText:
      break;
  }
  auto* label = new QLabel(text, this);
  // Some texts come from the controller: never read as markup.
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap((control.style & kStaticTypeMask) != kLeftNoWordWrap);
  label->setAlignment(control.kind == ControlKind::kCenteredText ? Qt::AlignHCenter | Qt::AlignTop
                                                                 : Qt::AlignLeft | Qt::AlignTop);
  return label;
}

void DialogWindow::FocusFirstTabStop() {
  for (const auto& control : template_.controls) {
    QWidget* widget = controls_.value(control.id);
    if (widget && widget->focusPolicy() == Qt::StrongFocus && !widget->isHidden() &&
        widget->isEnabled()) {
      widget->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
}

int32_t DialogWindow::DefaultButtonId() const {
  for (const auto& control : template_.controls) {
    if (control.kind == ControlKind::kDefaultButton) return control.id;
  }
  return kIdOk;
}

int32_t DialogWindow::Run() {
  QEventLoop loop;
  loop_ = &loop;
  if (!ended_) loop.exec();
  return result_;
}

void DialogWindow::End(int32_t result) {
  ended_ = true;
  result_ = result;
  hide();
  if (loop_) loop_->exit();
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  // The dialog decides: its close handler ends the run or not.
  event->ignore();
  events_.Close();
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      events_.Command(kIdCancel);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // From a control other than a push button (those press themselves, see eventFilter).
      events_.Command(DefaultButtonId());
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

// Watches the push buttons only. As the desktop's dialog manager does, Enter presses the push
// button that has the focus, whichever it is.
bool DialogWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      static_cast<QPushButton*>(watched)->click();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void DialogWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  events_.LeftButtonDown(at.x(), at.y());
}

void DialogWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const QPoint at = event->position().toPoint();
  events_.LeftButtonUp(at.x(), at.y());
}

void DialogWindow::contextMenuEvent(QContextMenuEvent* event) {
  const std::vector<MenuEntry> commands = events_.ContextMenu();
  if (systemMenu_.empty() && commands.empty()) return;
  QMenu menu;
  AddMenuEntries(menu, commands);
  // The commands' actions come first; those after them are system commands.
  const qsizetype commandCount = menu.actions().size();
  if (!commands.empty()) menu.addSeparator();
  for (const auto& entry : systemMenu_) {
    if (entry.id == 0) {
      menu.addSeparator();
    } else {
      menu.addAction(entry.text)->setData(entry.id);
    }
  }
  QAction* chosen = menu.exec(event->globalPos());
  if (chosen == nullptr) return;
  const int32_t id = chosen->data().toInt();
  if (menu.actions().indexOf(chosen) >= commandCount) return events_.SysCommand(id);
  // A command arrives after the menu has gone, as from the tray icon's menu.
  QTimer::singleShot(0, this, [this, id] { events_.Command(id); });
}

void AddMenuEntries(QMenu& menu, const std::vector<MenuEntry>& items) {
  for (const auto& item : items) {
    if (item.id == 0) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(QString::fromStdString(item.text));
    action->setData(item.id);
    action->setCheckable(item.checked);
    action->setChecked(item.checked);
  }
}

}  // namespace tavrel
