#include "platform/qt/trackbar.h"

#include <QKeyEvent>
#include <algorithm>
#include <optional>

namespace tavrel {

namespace {

constexpr uint32_t kTicksBothSides = 0x0008;
constexpr uint32_t kNoTicks = 0x0010;
constexpr int kPagesPerRange = 5;

}  // namespace

Trackbar::Trackbar(uint32_t style, std::function<void()> notify, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), notify_(std::move(notify)) {
  if ((style & kNoTicks) == 0) {
    setTickPosition((style & kTicksBothSides) != 0 ? TicksBothSides : TicksBelow);
  }
  connect(this, &QSlider::valueChanged, this, [this] {
    if (!keyMove_) notify_();
  });
}

void Trackbar::SetRange(int32_t min, int32_t max) {
  setRange(min, max);
  const int32_t span = std::max(max - min, 1);
  setTickInterval(span);
  setPageStep(std::max(span / kPagesPerRange, 1));
}

void Trackbar::keyPressEvent(QKeyEvent* event) {
  std::optional<int64_t> target;  // wide, so that a step past an end cannot overflow
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      target = int64_t{value()} - singleStep();
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      target = int64_t{value()} + singleStep();
      break;
    case Qt::Key_PageUp:
      target = int64_t{value()} - pageStep();
      break;
    case Qt::Key_PageDown:
      target = int64_t{value()} + pageStep();
      break;
    case Qt::Key_Home:
      target = minimum();
      break;
    case Qt::Key_End:
      target = maximum();
      break;
    default:
      // Return, Escape and the rest go on to the dialog.
      event->ignore();
      return;
  }
  keyMove_ = true;
  setValue(static_cast<int>(std::clamp<int64_t>(*target, minimum(), maximum())));
  keyMove_ = false;
  notify_();
}

}  // namespace tavrel
