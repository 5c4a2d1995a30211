#pragma once

#include <QSlider>
#include <cstdint>
#include <functional>

namespace tavrel {

// A horizontal trackbar as the desktop's: the arrow, Page and Home/End keys move it the way the
// desktop's trackbars do (Left, Up and Page Up towards the minimum), and every keyboard move
// notifies, even one that finds the thumb already at an end. Mouse moves notify as they change
// the position; moves made by the program do not notify.
class Trackbar : public QSlider {
 public:
  Trackbar(uint32_t style, std::function<void()> notify, QWidget* parent);

  // The range, with ticks at its two ends and a page of a fifth of it, as the desktop's default.
  void SetRange(int32_t min, int32_t max);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<void()> notify_;
  bool keyMove_ = false;
};

}  // namespace tavrel
