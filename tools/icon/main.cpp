// tavrel-icon-png SIZE FILE: writes the program's icon, drawn at SIZE x SIZE pixels, as a PNG file,
// so that the installed icons come from the same drawing as the running program's.
#include <charconv>
#include <cstdio>
#include <string_view>

#include "platform/qt/qt_images.h"
#include "resources/resource_ids.h"

int main(int argc, char** argv) {
  int size = 0;
  if (argc == 3) {
    const std::string_view text = argv[1];
    std::from_chars(text.data(), text.data() + text.size(), size);
  }
  if (size <= 0 || size > 1024) {
    std::fputs("Usage: tavrel-icon-png SIZE FILE\n", stderr);
    return 2;
  }
  const QImage image = tavrel::IconImage(tavrel::resource_id::kAppIcon, size);
  if (image.isNull() || !image.save(argv[2], "PNG")) {
    std::fprintf(stderr, "tavrel-icon-png: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
