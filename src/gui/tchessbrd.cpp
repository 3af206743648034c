// TChessBrd: construction, properties and the engine hand-over onto the Qt event loop.
// Drawing is in tchessbrd_paint.cpp, mouse input and animation in tchessbrd_input.cpp.
#include "gui/tchessbrd.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <string_view>
#include <thread>

#include "gui/board_accessible.h"
#include "gui/piece_sprite.h"

// The board's artwork lives in a static library: its resources must be registered by name,
// once per program.
static void InitBoardResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(board);
    return true;
  }();
  (void)registered;
}

namespace tavrel {

namespace {
constexpr std::string_view kPieceLetters = "PNBRQKpnbrqk";
}  // namespace

TChessBrd::TChessBrd(QWidget* parent) : QWidget(parent) {
  InitBoardResources();
  InstallBoardAccessible();
  // paintEvent covers every pixel from the backing image; the mouse is tracked for the
  // sizing cursor over the corner.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  coordFont_ = QFont(QStringLiteral("Arial"));
  coordFont_.setPointSize(7);
  builtinPieceSet_ = QImage(QStringLiteral(":/board/SETTOLVAN40"));
  RebuildPieceImages();
  customEngineTimer_.setParent(this);  // a member: destroyed before the widget, never by it
  customEngineTimer_.setObjectName(QStringLiteral("customEngineTimer"));
  customEngineTimer_.setInterval(500);
  connect(&customEngineTimer_, &QTimer::timeout, this, [this] { CustomEngineCheck(); });
  resize(layout_.Edge(), layout_.Edge());
}

TChessBrd::~TChessBrd() {
  // No hook may run on a half-destroyed widget: the engine thread goes first.
  ShutdownEngine();
  delete sprite_.data();
}

// ---------------------------------------------------------------- engine hand-over

void TChessBrd::RunOnUiThread(const std::function<void()>& fn) {
  // A blocking queued call into our own thread would wait for itself.
  if (QThread::currentThread() == thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(
      this, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void TChessBrd::ServeUiCalls() {
  // Serves this board's pending hand-overs (the engine's blocking calls are queued to it) and
  // nothing else: no user input that could start another move while the board waits for its
  // engine, and no events for other widgets, which may be half destroyed when the wait comes
  // from a parent's destructor. The engine parks by setting a flag, which wakes no event
  // loop, so this never sleeps in the event dispatcher; the short nap keeps the caller's wait
  // loop from spinning hot.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  std::this_thread::sleep_for(std::chrono::microseconds(200));
}

bool TChessBrd::event(QEvent* e) {
  // Esc with a piece selected only deselects: the window's Esc shortcut must not see it.
  if (e->type() == QEvent::ShortcutOverride && selected_ != None &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
    e->accept();
    return true;
  }
  const bool handled = QWidget::event(e);
  // The custom engine is asked after the board has handled any event. Deferred, so that the
  // engine's move never runs inside a paint or a mouse handler; the deferred call itself (a
  // MetaCall) does not count, or an engine without a move would be asked in a busy loop.
  if (e->type() != QEvent::MetaCall && CustomEngine() && !customCheckPending_ && !EngineHalted() &&
      ComputerToMove()) {
    customCheckPending_ = true;
    QTimer::singleShot(0, this, [this] {
      customCheckPending_ = false;
      CustomEngineCheck();
    });
  }
  return handled;
}

// ---------------------------------------------------------------- pieces

void TChessBrd::RebuildPieceImages() {
  const QImage& source = IsValidPieceSet(customPieceSet_.width(), customPieceSet_.height())
                             ? customPieceSet_
                             : builtinPieceSet_;
  // Cells are cut in the set's own pixels; a set made for a high-density screen keeps them.
  const int cell = source.height() / 4;
  const qreal ratio = source.devicePixelRatio();
  cell_ = std::max(1, qRound(cell / ratio));
  const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
  for (int colour = 0; colour < 2; ++colour) {
    for (int piece = 0; piece < 6; ++piece) {
      const QImage image = rgb.copy(piece * cell, 2 * colour * cell, cell, cell);
      const QImage mask = rgb.copy(piece * cell, (2 * colour + 1) * cell, cell, cell);
      // Black in the mask is opaque, white transparent; greys give soft edges.
      QImage out(cell, cell, QImage::Format_ARGB32);
      for (int y = 0; y < cell; ++y) {
        const QRgb* img = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const QRgb* msk = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < cell; ++x) {
          const int alpha = 255 - qGray(msk[x]);
          dst[x] = qRgba(qRed(img[x]), qGreen(img[x]), qBlue(img[x]), alpha);
        }
      }
      QImage& stored = pieces_[colour * 6 + piece];
      stored = out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      stored.setDevicePixelRatio(ratio);
    }
  }
  scaledFor_ = 0;
}

const QImage& TChessBrd::DrawnPiece(char letter) {
  const QImage& own = PieceImage(letter);
  const int s = layout_.square;
  if (own.isNull() || cell_ <= s) return own;
  if (scaledFor_ != s) {
    for (size_t k = 0; k < pieces_.size(); ++k) {
      const qreal ratio = pieces_[k].devicePixelRatio();
      const int edge = qRound(s * ratio);
      scaledPieces_[k] =
          pieces_[k].scaled(edge, edge, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      scaledPieces_[k].setDevicePixelRatio(ratio);
    }
    scaledFor_ = s;
  }
  return scaledPieces_[kPieceLetters.find(letter)];
}

const QImage& TChessBrd::PieceImage(char letter) const {
  static const QImage none;
  const size_t k = letter == ' ' ? std::string_view::npos : kPieceLetters.find(letter);
  return k == std::string_view::npos ? none : pieces_[k];
}

QPoint TChessBrd::PixelOfSquare(Square sq) const {
  const Pixel p = layout_.PixelOf(sq);
  return {p.x, p.y};
}

// ---------------------------------------------------------------- drawing properties

void TChessBrd::SetBoardLines(bool value) {
  boardLines_ = value;
  Paint();
}

void TChessBrd::SetBorderBitmap(const QImage& value) {
  borderBitmap_ = value.copy();
  Paint();
}

void TChessBrd::SetBorderColor(const QColor& value) {
  borderColor_ = value;
  Paint();
}

void TChessBrd::SetCoordFont(const QFont& value) {
  coordFont_ = value;
  Paint();
}

void TChessBrd::SetCoordColor(const QColor& value) {
  coordColor_ = value;
  Paint();
}

void TChessBrd::SetCustomPieceSet(const QImage& value) {
  if (!value.isNull() && !IsValidPieceSet(value.width(), value.height())) return;
  customPieceSet_ = value.copy();
  RebuildPieceImages();
  Paint();
}

void TChessBrd::SetDisplayCoords(CoordSet value) {
  displayCoords_ = value & (West | North | East | South);
  Paint();
}

void TChessBrd::SetLineStyle(const QPen& value) {
  lineStyle_ = value;
  Paint();
}

// Both edges follow, so the square size set is the one the next paint keeps.
void TChessBrd::SetSizeOfBorder(int value) {
  layout_.border = std::max(0, value);
  resize(layout_.Edge(), layout_.Edge());
}

void TChessBrd::SetSizeOfSquare(int value) {
  layout_.square = std::max(1, value);
  resize(layout_.Edge(), layout_.Edge());
}

void TChessBrd::SetSquareColorDark(const QColor& value) {
  squareColorDark_ = value;
  Paint();
}

void TChessBrd::SetSquareColorLight(const QColor& value) {
  squareColorLight_ = value;
  Paint();
}

void TChessBrd::SetSquareDark(const QImage& value) {
  squareDark_ = value.copy();
  Paint();
}

void TChessBrd::SetSquareLight(const QImage& value) {
  squareLight_ = value.copy();
  Paint();
}

void TChessBrd::SetWhiteOnTop(bool value) {
  layout_.whiteOnTop = value;
  Paint();
}

// ---------------------------------------------------------------- input properties

void TChessBrd::SetResizable(bool value) {
  resizable_ = value;
  if (!value && resizing_) resizing_ = false;
}

void TChessBrd::SetResizeMinSize(int value) {
  resizeMin_ = std::min(value, resizeMax_);
}

void TChessBrd::SetResizeMaxSize(int value) {
  resizeMax_ = std::max(value, resizeMin_);
}

}  // namespace tavrel
