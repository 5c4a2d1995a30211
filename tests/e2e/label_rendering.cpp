#include "tests/e2e/label_rendering.h"

#include <QApplication>
#include <QImage>
#include <QLabel>

namespace tavrel::e2e {

std::vector<uint32_t> RenderInfoLine(const std::string& text, int width, int height) {
  static int argc = 1;
  static char name[] = "setup_e2e_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  (void)app;
  QLabel label(QString::fromStdString(text));
  QFont font;
  font.setFamilies({"Arial", "Liberation Sans", "DejaVu Sans", "sans-serif"});
  font.setPixelSize(20);
  font.setWeight(QFont::Bold);
  label.setFont(font);
  label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label.resize(width, height);
  const QImage image = label.grab().toImage().convertToFormat(QImage::Format_RGB32);
  std::vector<uint32_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(image.pixel(x, y) & 0xFFFFFF);
  }
  return pixels;
}

}  // namespace tavrel::e2e
