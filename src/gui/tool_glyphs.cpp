#include "gui/tool_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "gui/window_parts.h"

namespace tavrel {

namespace {

constexpr int kGlyphSize = 18;

template <typename Draw>
QIcon Glyph(Draw draw) {
  QPixmap pixmap(kGlyphSize, kGlyphSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  p.end();
  return QIcon(pixmap);
}

}  // namespace

QIcon ExitGlyph() {
  return Glyph([](QPainter& p) {
    // An open door with an arrow pointing out of it.
    p.setPen(QPen(QColor(90, 60, 30), 1.2));
    p.setBrush(QColor(200, 160, 100));
    p.drawRect(QRectF(2.5, 2.5, 8, 13));
    p.setBrush(QColor(140, 95, 45));
    p.drawPolygon(QPolygonF({{2.5, 2.5}, {7.5, 4.5}, {7.5, 17.0}, {2.5, 15.5}}));
    p.setPen(QPen(QColor(0, 128, 0), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(10.0, 9.0), QPointF(16.0, 9.0));
    p.drawPolyline(QPolygonF({{13.5, 6.0}, {16.5, 9.0}, {13.5, 12.0}}));
  });
}

QIcon HelpGlyph() {
  return Glyph([](QPainter& p) {
    p.setPen(QPen(kNavy, 1.2));
    p.setBrush(QColor(60, 110, 210));
    p.drawEllipse(QRectF(1.5, 1.5, 15, 15));
    p.setPen(Qt::white);
    p.setFont(PixelFont(QStringLiteral("Verdana"), 12, true));
    p.drawText(QRectF(1.5, 1.5, 15, 15), Qt::AlignCenter, QStringLiteral("?"));
  });
}

QIcon PrintGlyph() {
  return Glyph([](QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 1.5, 7, 6));  // paper going in
    p.setBrush(QColor(170, 170, 170));
    p.drawRoundedRect(QRectF(1.5, 6.5, 15, 7), 1.5, 1.5);  // printer body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 11.5, 9, 5));  // printed page
    p.setPen(QPen(QColor(60, 60, 60), 0.8));
    p.drawLine(QPointF(6, 13.5), QPointF(12, 13.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 160, 0));
    p.drawEllipse(QRectF(13, 8, 2, 2));
  });
}

}  // namespace tavrel
