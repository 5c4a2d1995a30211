#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrel::e2e {

// A one-line label of the setup dialog's information font, drawn by the test itself on Qt's
// offscreen platform: 0xRRGGBB pixels, row by row.
std::vector<uint32_t> RenderInfoLine(const std::string& text, int width, int height);

}  // namespace tavrel::e2e
