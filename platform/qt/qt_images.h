#pragma once

#include <QIcon>
#include <QPixmap>
#include <cstdint>

namespace tavrel {

// Qt pictures of the program's resources; null ones when there is no such resource.
QPixmap BitmapPixmap(int32_t bitmapId);
QPixmap IconPixmap(int32_t iconId, int32_t size);
QIcon ResourceIcon(int32_t iconId);

}  // namespace tavrel
