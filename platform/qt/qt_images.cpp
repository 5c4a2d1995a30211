#include "platform/qt/qt_images.h"

#include <QImage>

#include "resources/images.h"

namespace tavrel {

namespace {

QImage ToImage(const std::optional<resources::PixelImage>& image) {
  if (!image) return {};
  QImage out(image->width, image->height, QImage::Format_ARGB32);
  for (int32_t y = 0; y < image->height; ++y) {
    for (int32_t x = 0; x < image->width; ++x) out.setPixel(x, y, image->At(x, y));
  }
  return out;
}

QPixmap ToPixmap(const std::optional<resources::PixelImage>& image) {
  return QPixmap::fromImage(ToImage(image));
}

}  // namespace

QPixmap BitmapPixmap(int32_t bitmapId) { return ToPixmap(resources::LoadBitmapImage(bitmapId)); }

QPixmap IconPixmap(int32_t iconId, int32_t size) {
  return ToPixmap(resources::LoadIconImage(iconId, size));
}

QImage IconImage(int32_t iconId, int32_t size) {
  return ToImage(resources::LoadIconImage(iconId, size));
}

QIcon ResourceIcon(int32_t iconId) {
  QIcon icon;
  for (int32_t size : {16, 22, 24, 32, 48, 64}) {
    const QPixmap pixmap = IconPixmap(iconId, size);
    if (pixmap.isNull()) return {};
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace tavrel
