#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <cstdint>

namespace tavrel {

// Qt pictures of the program's resources; null ones when there is no such resource.
QPixmap BitmapPixmap(int32_t bitmapId);
QPixmap IconPixmap(int32_t iconId, int32_t size);
QIcon ResourceIcon(int32_t iconId);
// The icon as an image, which needs no running application (for tools that write files).
QImage IconImage(int32_t iconId, int32_t size);

}  // namespace tavrel
