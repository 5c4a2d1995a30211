#pragma once

#include <windows.h>

#include "resources/images.h"

namespace tavrel {

// A 32-bit top-down bitmap of the picture; null when it cannot be made.
HBITMAP MakeBitmap(const resources::PixelImage& image);
// An icon of the picture, its transparency taken from the alpha channel; null on failure.
HICON MakeIcon(const resources::PixelImage& image);

}  // namespace tavrel
