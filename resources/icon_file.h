#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "resources/images.h"

namespace tavrel::resources {

// The sizes of the program's icon in the .ico file the Windows build links into tavrel.exe:
// Explorer's small, normal and large icons.
inline constexpr int32_t kAppIconFileSizes[] = {16, 32, 48};

// The bytes of a .ico file holding the images in the order given, each as a 32-bit BGRA bitmap
// with an AND mask (transparent where alpha is below half), as every Windows release reads them.
// Empty when an image is not 1 to 256 pixels wide and high or its pixels do not fill it.
std::vector<uint8_t> EncodeIconFile(std::span<const PixelImage> images);

// The program's icon drawn at kAppIconFileSizes, as a .ico file: resources/tavrel.ico.
std::vector<uint8_t> AppIconFile();

}  // namespace tavrel::resources
