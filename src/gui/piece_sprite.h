// The moving piece image of a drag or an animated move: a small child widget laid over the
// board's parent window, so the piece can pass over everything the parent shows. It draws
// only its image (the parent shows through its transparent pixels) and ignores the mouse.
#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>

namespace tavrel {

class PieceSprite : public QWidget {
 public:
  PieceSprite(QWidget* host, const QImage& image) : QWidget(host), image_(image) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(image.deviceIndependentSize().toSize());
  }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image_); }

 private:
  QImage image_;
};

}  // namespace tavrel
