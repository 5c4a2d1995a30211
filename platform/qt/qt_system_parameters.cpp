#include "platform/qt/qt_system_parameters.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QThread>

namespace tavrel {

void QtSystemParameters::Set(SystemParameter which, int32_t value) {
  kept_.Set(which, value);
  // Qt's style hints belong to the user-interface thread, where every change here is made.
  auto* app = QGuiApplication::instance();
  if (which != SystemParameter::kDoubleClickTime || app == nullptr ||
      QThread::currentThread() != app->thread()) {
    return;
  }
  QGuiApplication::styleHints()->setMouseDoubleClickInterval(value);
}

}  // namespace tavrel
