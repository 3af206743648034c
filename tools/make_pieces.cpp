// Generates the board's artwork: the piece set "SETTOLVAN40" (240 x 160, six columns pawn ..
// king, rows white pieces, white masks, black pieces, black masks, 40-pixel cells) and the
// seamless wood textures for light squares, dark squares and the border.
//
//   make-pieces <output folder>
//
// The pieces are the chess glyphs of DejaVu Sans, rendered antialiased at four times the cell
// size and scaled down. A white piece is the outline glyph with its inside filled white; a black
// piece is the solid glyph with the outline glyph's inner strokes drawn light, so its shape
// stays readable on dark squares. Masks hold 255 - alpha: black where the piece is opaque,
// white where the square shows through, grey along the antialiased edge.
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <vector>

namespace {

constexpr int kCell = 40;
constexpr int kScale = 4;  // supersampling factor
constexpr int kBig = kCell * kScale;
constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Pawn .. king, the column order of the set. U+2654 is the white king, U+265A the black one.
constexpr std::array<char16_t, 6> kOutlineGlyph = {u'\u2659', u'\u2658', u'\u2657',
                                                   u'\u2656', u'\u2655', u'\u2654'};
constexpr std::array<char16_t, 6> kSolidGlyph = {u'\u265F', u'\u265E', u'\u265D',
                                                 u'\u265C', u'\u265B', u'\u265A'};

const QColor kInk(28, 26, 24);           // outline of white pieces, body of black pieces
const QColor kWhiteBody(252, 250, 244);  // slightly warm white
const QColor kBlackDetail(214, 208, 196);

QPainterPath GlyphPath(const QRawFont& font, char16_t ch) {
  const QChar c(ch);
  const QList<quint32> idx = font.glyphIndexesForString(QString(c));
  return idx.isEmpty() ? QPainterPath() : font.pathForGlyph(idx.first());
}

// Places every glyph on a common baseline with one common scale, so that the pieces keep
// their relative heights (the pawn smaller than the king) and are centred horizontally.
struct Placement {
  double scale = 1;
  double baseline = 0;  // y of the glyphs' lowest point in the big cell
};

Placement ComputePlacement(const std::vector<QPainterPath>& glyphs) {
  double maxW = 0, maxH = 0;
  for (const QPainterPath& p : glyphs) {
    maxW = std::max(maxW, p.boundingRect().width());
    maxH = std::max(maxH, p.boundingRect().height());
  }
  Placement pl;
  pl.scale = 0.86 * kBig / std::max(maxW, maxH);
  pl.baseline = kBig - 0.5 * (kBig - pl.scale * maxH) - 0.02 * kBig;
  return pl;
}

QPainterPath Place(const QPainterPath& glyph, const Placement& pl) {
  const QRectF r = glyph.boundingRect();
  QTransform t;
  t.translate(kBig / 2.0, pl.baseline);
  t.scale(pl.scale, pl.scale);
  t.translate(-r.center().x(), -r.bottom());
  return t.map(glyph);
}

QImage Coverage(const QPainterPath& path) {
  QImage img(kBig, kBig, QImage::Format_Alpha8);
  img.fill(0);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillPath(path, Qt::black);
  return img;
}

// Everything enclosed by the outline: the cell minus what a flood fill from the cell's edge
// reaches without crossing the glyph's strokes.
QImage Inside(const QImage& strokes) {
  std::vector<uint8_t> outside(kBig * kBig, 0);
  std::vector<int> stack;
  auto push = [&](int x, int y) {
    if (x < 0 || y < 0 || x >= kBig || y >= kBig) return;
    const int i = y * kBig + x;
    if (outside[i] || strokes.constScanLine(y)[x] >= 96) return;
    outside[i] = 1;
    stack.push_back(i);
  };
  for (int i = 0; i < kBig; ++i) {
    push(i, 0), push(i, kBig - 1), push(0, i), push(kBig - 1, i);
  }
  while (!stack.empty()) {
    const int i = stack.back();
    stack.pop_back();
    const int x = i % kBig, y = i / kBig;
    push(x + 1, y), push(x - 1, y), push(x, y + 1), push(x, y - 1);
  }
  QImage img(kBig, kBig, QImage::Format_Alpha8);
  for (int y = 0; y < kBig; ++y) {
    uchar* line = img.scanLine(y);
    for (int x = 0; x < kBig; ++x) line[x] = outside[y * kBig + x] ? 0 : 255;
  }
  return img;
}

QImage Tinted(const QImage& alpha, const QColor& colour) {
  QImage img(kBig, kBig, QImage::Format_ARGB32_Premultiplied);
  img.fill(colour);
  QPainter p(&img);
  p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  p.drawImage(0, 0, alpha);
  return img;
}

// The piece at the big size, premultiplied.
QImage RenderPiece(const QPainterPath& outline, const QPainterPath& solid, bool white) {
  const QImage strokes = Coverage(outline);
  const QImage inside = Inside(strokes);
  QImage img(kBig, kBig, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  if (white) {
    p.drawImage(0, 0, Tinted(inside, kWhiteBody));
    p.fillPath(outline, kInk);
  } else {
    // Solid body over the whole enclosed area, then the inner strokes of the outline glyph
    // (those not on the silhouette's edge) in a light tone.
    p.drawImage(0, 0, Tinted(inside, kInk));
    p.fillPath(solid, kInk);
    QImage detail = Tinted(strokes, kBlackDetail);
    {
      // Keep only strokes well inside the silhouette: erode the inside mask by a few pixels.
      QImage core(kBig, kBig, QImage::Format_Alpha8);
      const int r = 3 * kScale;
      for (int y = 0; y < kBig; ++y) {
        uchar* out = core.scanLine(y);
        for (int x = 0; x < kBig; ++x) {
          bool all = true;
          for (int dy = -r; dy <= r && all; dy += kScale)
            for (int dx = -r; dx <= r && all; dx += kScale) {
              const int xx = x + dx, yy = y + dy;
              all = xx >= 0 && yy >= 0 && xx < kBig && yy < kBig &&
                    inside.constScanLine(yy)[xx] == 255;
            }
          out[x] = all ? 255 : 0;
        }
      }
      QPainter dp(&detail);
      dp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
      dp.drawImage(0, 0, core);
    }
    p.drawImage(0, 0, detail);
  }
  p.end();
  return img.scaled(kCell, kCell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Writes a piece into the set: its colour (un-premultiplied, white where fully transparent)
// into the image row, 255 - alpha into the mask row.
void PutPiece(QImage& set, const QImage& piece, int column, int imageRow) {
  const QImage straight = piece.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < kCell; ++y) {
    const QRgb* src = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
    for (int x = 0; x < kCell; ++x) {
      const int a = qAlpha(src[x]);
      const QRgb colour =
          a == 0 ? qRgb(255, 255, 255) : qRgb(qRed(src[x]), qGreen(src[x]), qBlue(src[x]));
      set.setPixel(column * kCell + x, imageRow * kCell + y, colour);
      set.setPixel(column * kCell + x, (imageRow + 1) * kCell + y, qRgb(255 - a, 255 - a, 255 - a));
    }
  }
}

// --- textures -------------------------------------------------------------------------------

// Value noise on a lattice of cellsX x cellsY cells that wraps around, so a texture built
// from it tiles without a seam. Coordinates are in lattice units.
class PeriodicNoise {
 public:
  PeriodicNoise(int cellsX, int cellsY, uint32_t seed)
      : cx_(cellsX), cy_(cellsY), values_(cellsX * cellsY) {
    uint32_t s = seed;
    for (double& v : values_) {
      s = s * 1664525u + 1013904223u;
      v = (s >> 8) / double(1u << 24);
    }
  }
  double At(double x, double y) const {
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const double fx = Smooth(x - x0), fy = Smooth(y - y0);
    auto v = [&](int i, int j) { return values_[Wrap(j, cy_) * cx_ + Wrap(i, cx_)]; };
    const double a = v(x0, y0) + (v(x0 + 1, y0) - v(x0, y0)) * fx;
    const double b = v(x0, y0 + 1) + (v(x0 + 1, y0 + 1) - v(x0, y0 + 1)) * fx;
    return a + (b - a) * fy;
  }
  // u, v in 0..1 over one tile.
  double AtTile(double u, double v) const { return At(u * cx_, v * cy_); }

 private:
  static double Smooth(double t) { return t * t * (3 - 2 * t); }
  static int Wrap(int i, int n) { return ((i % n) + n) % n; }
  int cx_, cy_;
  std::vector<double> values_;
};

// Fractal noise over one tile, 0..1.
double Fbm(const std::vector<PeriodicNoise>& octaves, double u, double v) {
  double sum = 0, amp = 0.5, norm = 0;
  for (const PeriodicNoise& o : octaves) {
    sum += amp * o.AtTile(u, v);
    norm += amp;
    amp *= 0.5;
  }
  return sum / norm;
}

struct Wood {
  QColor base;
  int rings;        // grain lines per tile (an integer keeps the tile seamless)
  double warp;      // how far the grain lines wander, in ring spacings
  double contrast;  // strength of the grain
  uint32_t seed;
};

// Quarter-sawn wood seen from above: fine, gently wandering grain lines running along x,
// long thin fibres and a faint change of tone over the tile.
QImage WoodTexture(int size, const Wood& w) {
  std::vector<PeriodicNoise> octaves;
  for (int k = 0; k < 4; ++k) octaves.emplace_back(2 << k, 3 << k, w.seed + 7919u * k);
  const PeriodicNoise fibres(3, size / 3, w.seed ^ 0x9e3779b9u);
  const PeriodicNoise tone(2, 2, w.seed ^ 0x85ebca6bu);
  QImage img(size, size, QImage::Format_RGB32);
  for (int y = 0; y < size; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < size; ++x) {
      const double u = double(x) / size, v = double(y) / size;
      const double phase = w.rings * v + w.warp * (Fbm(octaves, u, v) - 0.5);
      const double ring = std::pow(0.5 + 0.5 * std::sin(2 * std::numbers::pi * phase), 5);
      const double shade = 1.0 - w.contrast * ring +
                           0.45 * w.contrast * (fibres.AtTile(u, v) - 0.5) +
                           0.6 * w.contrast * (tone.AtTile(u, v) - 0.5);
      auto channel = [&](int c) { return qBound(0, int(std::lround(c * shade)), 255); };
      line[x] = qRgb(channel(w.base.red()), channel(w.base.green()), channel(w.base.blue()));
    }
  }
  return img;
}

// Written next to the target and renamed over it, so a failed run leaves the old file whole.
bool Save(const QImage& img, const QDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  const QString tmp = path + ".tmp";
  std::error_code ec;
  if (!img.save(tmp, "PNG") ||
      (std::filesystem::rename(tmp.toStdString(), path.toStdString(), ec), ec)) {
    QFile::remove(tmp);
    std::fprintf(stderr, "make-pieces: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-pieces <output folder>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists()) {
    std::fprintf(stderr, "make-pieces: no folder %s\n", argv[1]);
    return 2;
  }
  QRawFont font(QString::fromLatin1(kFontFile), 1000);
  if (!font.isValid()) {
    std::fprintf(stderr, "make-pieces: cannot load %s (fonts-dejavu-core)\n", kFontFile);
    return 1;
  }

  std::vector<QPainterPath> outline, solid;
  for (int j = 0; j < 6; ++j) {
    outline.push_back(GlyphPath(font, kOutlineGlyph[j]));
    solid.push_back(GlyphPath(font, kSolidGlyph[j]));
  }
  const Placement pl = ComputePlacement(outline);

  QImage set(6 * kCell, 4 * kCell, QImage::Format_RGB32);
  set.fill(Qt::white);
  for (int j = 0; j < 6; ++j) {
    const QPainterPath o = Place(outline[j], pl);
    // The solid glyph shares the outline's silhouette; place it by the outline's box.
    QTransform t;
    const QRectF r = outline[j].boundingRect();
    t.translate(kBig / 2.0, pl.baseline);
    t.scale(pl.scale, pl.scale);
    t.translate(-r.center().x(), -r.bottom());
    const QPainterPath s = t.map(solid[j]);
    PutPiece(set, RenderPiece(o, s, true), j, 0);
    PutPiece(set, RenderPiece(o, s, false), j, 2);
  }

  const int tile = 256;
  const QImage light = WoodTexture(tile, {QColor(238, 218, 182), 11, 1.2, 0.08, 11});
  const QImage dark = WoodTexture(tile, {QColor(184, 134, 94), 13, 1.4, 0.10, 23});
  const QImage border = WoodTexture(tile, {QColor(98, 62, 38), 9, 1.6, 0.14, 37});

  const bool ok = Save(set, out, "settolvan40.png") && Save(light, out, "square_light.png") &&
                  Save(dark, out, "square_dark.png") && Save(border, out, "border.png");
  return ok ? 0 : 1;
}
