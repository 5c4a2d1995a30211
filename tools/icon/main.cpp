// tavrel-icon-png SIZE FILE: writes the program's icon, drawn at SIZE x SIZE pixels, as a PNG file,
// so that the installed icons come from the same drawing as the running program's.
// tavrel-icon-png --ico FILE: writes it as the .ico file the Windows build links into tavrel.exe
// (resources/tavrel.ico).
#include <charconv>
#include <cstdio>
#include <string_view>

#include "platform/qt/qt_images.h"
#include "resources/icon_file.h"
#include "resources/resource_ids.h"

namespace {

bool WriteIco(const char* path) {
  const auto bytes = tavrel::resources::AppIconFile();
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written && !bytes.empty();
}

bool WritePng(int size, const char* path) {
  const QImage image = tavrel::IconImage(tavrel::resource_id::kAppIcon, size);
  return !image.isNull() && image.save(path, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  const bool ico = argc == 3 && std::string_view(argv[1]) == "--ico";
  int size = 0;
  if (argc == 3 && !ico) {
    const std::string_view text = argv[1];
    std::from_chars(text.data(), text.data() + text.size(), size);
  }
  if (!ico && (size <= 0 || size > 1024)) {
    std::fputs("Usage: tavrel-icon-png SIZE FILE\n       tavrel-icon-png --ico FILE\n", stderr);
    return 2;
  }
  if (!(ico ? WriteIco(argv[2]) : WritePng(size, argv[2]))) {
    std::fprintf(stderr, "tavrel-icon-png: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
