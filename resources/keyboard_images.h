#pragma once

#include <optional>

#include "resources/images.h"

namespace tavrel::resources {

// The on-screen keyboards' key images (arrows and the return symbol), or nothing for other ids.
std::optional<PixelImage> LoadKeyImage(int32_t bitmapId);

}  // namespace tavrel::resources
