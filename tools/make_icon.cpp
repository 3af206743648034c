// Renders the program's scalable icon into a square PNG of the given size:
//   make-icon tavrel.svg SIZE out.png
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: make-icon ICON.svg SIZE OUT.png\n", stderr);
    return 2;
  }
  // Shapes only, no text: painting into an image needs no application object and no screen.
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  const int size = QByteArray(argv[2]).toInt();
  if (!svg.isValid() || size <= 0) {
    std::fprintf(stderr, "make-icon: cannot render %s at size %s\n", argv[1], argv[2]);
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
  }
  if (!image.convertToFormat(QImage::Format_ARGB32).save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "make-icon: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
