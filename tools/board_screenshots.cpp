// Renders the board widget in a few typical states and saves the pictures as PNG files, so
// that anyone can look at how the board is drawn without starting the program.
//
//   board-screenshots [output folder]     (default: <build>/screenshots)
#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdio>
#include <string_view>
#include <utility>

#include "gui/tchessbrd.h"

using tavrel::TChessBrd;

namespace {

// The look of the program's main board: wood squares, 72-pixel squares, grid and
// coordinates on all four edges.
void WoodLook(TChessBrd& b) {
  b.SetSquareLight(QImage(QStringLiteral(":/board/square_light.png")));
  b.SetSquareDark(QImage(QStringLiteral(":/board/square_dark.png")));
  b.SetBorderBitmap(QImage(QStringLiteral(":/board/border.png")));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(11);
  b.SetCoordFont(font);
  b.SetCoordColor(QColor(240, 226, 200));
  b.SetLineStyle(QPen(QColor(70, 44, 26)));
  b.SetDisplayCoords(tavrel::West | tavrel::North | tavrel::East | tavrel::South);
  b.SetBoardLines(true);
  b.SetSizeOfSquare(72);
}

void Play(TChessBrd& b,
          std::initializer_list<std::pair<std::string_view, std::string_view>> moves) {
  auto sq = [](std::string_view n) { return tavrel::SquareAt(n[0] - 'a' + 1, n[1] - '0'); };
  for (const auto& [from, to] : moves) b.ExecuteMove(sq(from), sq(to));
}

bool Save(const TChessBrd& b, const QDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  if (!b.BoardImage().save(path, "PNG")) {
    std::fprintf(stderr, "board-screenshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s  %dx%d\n", qPrintable(path), b.width(), b.height());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString outPath = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                   : QCoreApplication::applicationDirPath() + "/../screenshots";
  QDir out;
  if (!out.mkpath(outPath)) {
    std::fprintf(stderr, "board-screenshots: cannot create %s\n", qPrintable(outPath));
    return 1;
  }
  out.setPath(outPath);
  bool ok = true;

  {
    TChessBrd b;  // the component's own defaults: grey and silver, 40-pixel squares
    b.Paint();
    ok &= Save(b, out, "start_defaults.png");
  }
  {
    TChessBrd b;
    WoodLook(b);
    b.Paint();
    ok &= Save(b, out, "start.png");
  }
  {
    TChessBrd b;
    b.SetAnimateMoves(false);
    WoodLook(b);
    Play(b, {{"e2", "e4"},
             {"e7", "e5"},
             {"g1", "f3"},
             {"b8", "c6"},
             {"f1", "b5"},
             {"a7", "a6"},
             {"b5", "a4"},
             {"g8", "f6"},
             {"e1", "g1"},
             {"f8", "e7"},
             {"f1", "e1"},
             {"b7", "b5"},
             {"a4", "b3"},
             {"d7", "d6"}});
    b.SetWhiteOnTop(true);
    ok &= Save(b, out, "middlegame_white_on_top.png");

    // Last move in green, a suggestion in yellow, as the main window draws them.
    TChessBrd::GreenMark = {4, 7, 4, 6};   // d7-d6
    TChessBrd::YellowMark = {3, 2, 3, 3};  // c2-c3
    b.SetWhiteOnTop(false);
    b.GreenHighlight = b.YellowHighlight = true;
    b.DrawMarks();
    b.GreenHighlight = b.YellowHighlight = false;
    ok &= Save(b, out, "highlights.png");
  }
  {
    // The main window's board: window-grey border with navy 11-pixel coordinates.
    TChessBrd b;
    WoodLook(b);
    b.SetBorderBitmap(QImage());
    b.SetBorderColor(QColor(240, 240, 240));
    b.SetCoordColor(QColor(0, 0, 128));
    b.SetLineStyle(QPen(Qt::black));
    b.Paint();
    ok &= Save(b, out, "main_window_look.png");
  }
  for (const int edge : {100, 200, 368, 600, 1000}) {
    TChessBrd b;
    WoodLook(b);
    b.resize(edge, edge);
    b.Paint();
    ok &= Save(b, out, QStringLiteral("size_%1.png").arg(edge));
  }
  return ok ? 0 : 1;
}
