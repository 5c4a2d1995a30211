#include "platform/qt/bitmap_button.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tavrel {

void BitmapButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  option.icon = QIcon();
  painter.drawControl(QStyle::CE_PushButtonBevel, option);
  if (image_.isNull()) return;
  const QRect face = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  QPoint origin = face.center() - QPoint(image_.width() / 2, image_.height() / 2);
  if (isDown()) origin += QPoint(1, 1);
  painter.setClipRect(face);
  painter.drawPixmap(origin, image_);
}

}  // namespace tavrel
