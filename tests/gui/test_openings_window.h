// Shared helpers for the tests of the openings, variants and suggestion menus: a main window
// offscreen with its own data folder, moves as a person drops them, the move list as text, and
// the highlight frames found in the board's picture.
#pragma once

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <set>
#include <string>

#include "main_window_test_util.h"
#include "gui/move_list_box.h"
#include "gui/paths.h"
#include "gui/tform45.h"
#include "gui/tchessbrd.h"

namespace tavrel::test {

inline const QColor kYellowFrame(255, 255, 0);
inline const QColor kGreenFrame(0, 255, 0);

// A fresh main window shown offscreen, whose data folder lies in a temporary folder.
struct Window {
  QTemporaryDir data;
  std::unique_ptr<Tform45> w;

  Window() {
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    // The working copy of the problem collection is in place, as after the first start.
    const QString folder = data.filePath(QStringLiteral("Orvanel 2014"));
    QDir().mkpath(folder);
    QFile::copy(qEnvironmentVariable("TAVREL_DATA_DIR") + QStringLiteral("/mtavrel.c00"),
                folder + QStringLiteral("/mtavrel.c00"));
    // A box at start-up (a missing problem collection) would block the test: close and report.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        qWarning("start-up message: %s", qPrintable(box->text()));
        box->accept();
      }
    });
    guard.start(50);
    w = std::make_unique<Tform45>();
    w->UseNativeDialogs = false;
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) qFatal("main window not exposed");
    QTRY_VERIFY(w->LB1->count() == 0);
    w->Timer1->stop();  // no clock ticks behind the tests' back
  }
  Tform45* operator->() const { return w.get(); }
  QString File(const QString& name) const { return tavrel::DataFolder() + name; }
};

inline Square Sq(QStringView name) {
  return SquareAt(name[0].toLatin1() - 'a' + 1, name[1].toLatin1() - '0');
}

// Plays half-moves as a person drops them: "e2e4 e7e5 ...". False at the first refused one.
inline bool Play(Tform45& w, const char* moves) {
  for (const QString& m : QString::fromLatin1(moves).split(' ', Qt::SkipEmptyParts))
    if (!w.ChessBrd1->PlayMove(Sq(QStringView(m).mid(0, 2)), Sq(QStringView(m).mid(2, 2))))
      return false;
  return true;
}

inline QStringList Lines(const Tform45& w) {
  QStringList lines;
  for (int i = 0; i < w.LB1->count(); ++i) lines << w.LB1->item(i)->text();
  return lines;
}

inline QStringList ToQt(const std::vector<std::string>& lines) {
  QStringList out;
  for (const std::string& l : lines) out << QString::fromStdString(l);
  return out;
}

// The squares whose frame (all four edges) is drawn in colour on the board's picture.
inline std::set<Square> FramedSquares(const TChessBrd& board, const QColor& colour) {
  std::set<Square> framed;
  const QImage& img = board.BoardImage();
  const int s = board.SizeOfSquare();
  for (int sq = 1; sq <= 64; ++sq) {
    const QPoint at = board.PixelOfSquare(static_cast<Square>(sq));
    const QPoint edges[] = {{at.x() + s / 2, at.y()},
                            {at.x() + s / 2, at.y() + s},
                            {at.x(), at.y() + s / 2},
                            {at.x() + s, at.y() + s / 2}};
    bool all = true;
    for (const QPoint& p : edges)
      all = all && img.valid(p) && QColor(img.pixel(p)).rgb() == colour.rgb();
    if (all) framed.insert(static_cast<Square>(sq));
  }
  return framed;
}

inline std::set<Square> Pair(const char* a, const char* b) {
  return {Sq(QString::fromLatin1(a)), Sq(QString::fromLatin1(b))};
}

}  // namespace tavrel::test
