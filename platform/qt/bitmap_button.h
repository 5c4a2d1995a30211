#pragma once

#include <QPixmap>
#include <QPushButton>

namespace tavrel {

// A push button that shows a bitmap instead of its text: the bitmap is centred and cut to the
// button's face, as bitmap buttons of the desktop do.
class BitmapButton : public QPushButton {
 public:
  using QPushButton::QPushButton;
  void SetImage(const QPixmap& image) {
    image_ = image;
    update();
  }
  const QPixmap& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap image_;
};

}  // namespace tavrel
