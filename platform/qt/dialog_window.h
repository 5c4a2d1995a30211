#pragma once

#include <QEventLoop>
#include <QMap>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "platform/window_service.h"
#include "resources/dialog_template.h"

namespace tavrel {

// A top-level window built from a dialog template. It turns Qt's input into the dialog
// manager's messages for its DialogEvents and carries the state of one modal run.
class DialogWindow : public QWidget {
 public:
  DialogWindow(const resources::DialogTemplate& dialogTemplate, DialogEvents& events, bool owned);

  DialogEvents& Events() { return events_; }
  const resources::DialogTemplate& Template() const { return template_; }
  QWidget* ControlById(int32_t id) const { return controls_.value(id); }
  const QMap<int32_t, QWidget*>& Controls() const { return controls_; }

  uint32_t ExtendedStyle() const { return exStyle_; }
  // Maps the extended style (and the template's styles) to Qt's window flags.
  void SetExtendedStyle(uint32_t exStyle);

  // Runs the nested event loop until End; returns the result given to End.
  int32_t Run();
  void End(int32_t result);
  bool Ended() const { return ended_; }
  int32_t Result() const { return result_; }

  // Entries of the system menu, shown as the window's context menu; id 0 is a separator.
  void AppendSystemMenu(int32_t id, const QString& text) { systemMenu_.push_back({id, text}); }

  // Gives the focus to the first visible, enabled tab stop in template order, as the desktop's
  // dialog manager does when initialisation leaves the focus to it.
  void FocusFirstTabStop();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  struct SystemMenuEntry {
    int32_t id;
    QString text;
  };

  void BuildControls();
  QWidget* CreateControl(const resources::ControlTemplate& control);
  int32_t DefaultButtonId() const;

  const resources::DialogTemplate& template_;
  DialogEvents& events_;
  bool owned_;
  uint32_t exStyle_;
  QMap<int32_t, QWidget*> controls_;
  std::vector<SystemMenuEntry> systemMenu_;
  QPointer<QEventLoop> loop_;
  bool ended_ = false;
  int32_t result_ = 0;
};

// Adds the popup's entries to the menu, each action with its id as data; id 0 is a separator.
void AddMenuEntries(QMenu& menu, const std::vector<MenuEntry>& items);

// Applies flags to a top-level widget, shown or not, without hiding it.
void SetTopLevelFlags(QWidget* widget, Qt::WindowFlags flags);

}  // namespace tavrel
