// The problem panel inside the real main window: its place over the right-hand column, the
// menu "Problemtavrel", Timer1 showing the solving time instead of running the clocks, a
// solution of a shipped problem, shipped titles shown whole, storing across a restart, and
// closing during a solution.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <memory>
#include <thread>

#include "gui/tavrel_application.h"
#include "gui/tform45.h"
#include "gui/window_parts.h"
#include "gui/tchessbrd.h"
#include "gui/probleme.h"

using namespace tavrel;

class ProblemeWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> data_;
  std::unique_ptr<Tform45> w_;
  int results_ = 0;

  void Start() {
    w_ = std::make_unique<Tform45>();
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
    QTRY_VERIFY(!w_->S99->isVisible());  // the first activation has run
    connect(w_->probleme, &TProbleme::SolutionShown, this, [this] { ++results_; });
  }

  bool WaitForResult() {
    const int before = results_;
    return QTest::qWaitFor([&] { return results_ > before; }, 30000);
  }

 private slots:
  void init() {
    data_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", data_->path().toUtf8());
    const QString folder = data_->filePath(QStringLiteral("Orvanel 2014"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(qEnvironmentVariable("TAVREL_DATA_DIR") + QStringLiteral("/mtavrel.c00"),
                        folder + QStringLiteral("/mtavrel.c00")));
    Start();
  }

  void cleanup() {
    w_.reset();
    data_.reset();
  }

  void panelLiesOverTheColumn() {
    Tform45& w = *w_;
    TProbleme& p = *w.probleme;
    QCOMPARE(p.parentWidget(), w.P5);
    QVERIFY(!p.Shown());
    QCOMPARE(p.LB2->count(), static_cast<int>((w.ProblemList.size() + 2) / 3));
    QCOMPARE(p.LB2->currentRow(), 0);
    QVERIFY(w.Tavrelprobleme->isEnabled());
    QVERIFY(!w.NeuesProblem->isEnabled());
    QVERIFY(!w.SpielfeldKopieren->isEnabled());
    QVERIFY(!w.EingabefeldLoeschen->isEnabled());

    w.Tavrelprobleme->trigger();
    QVERIFY(p.isVisible());
    QCOMPARE(p.geometry(), QRect(0, 0, 200, 275));
    QVERIFY(w.Tavrelprobleme->isChecked());
    QVERIFY(!w.D6->isVisible());
    QVERIFY(!w.Timer1->isActive());
    QVERIFY(w.P7->text().startsWith(QStringLiteral("0.Problem : ")));
    QCOMPARE(w.ChessBrd1->Position(), w.ProblemList[2]);
    w.NeuesProblem->trigger();
    QCOMPARE(p.height(), 700);
    w.SpielfeldKopieren->trigger();
    QCOMPARE(w.ChessBrd1->Position(), w.ProblemList[2]);  // copied, the board stays

    w.Tavrelprobleme->trigger();
    QVERIFY(!p.isVisible());
    QCOMPARE(w.P7->text(), QStringLiteral("Tavrel"));
    QVERIFY(w.D6->isVisible());
    QVERIFY(w.Timer1->isActive());
  }

  void nothingThePanelShowsIsCut() {
    Tform45& w = *w_;
    TProbleme& p = *w.probleme;
    w.Tavrelprobleme->trigger();
    // The column's label below the list-only panel is wholly in view.
    QVERIFY(!p.geometry().intersects(w.L1->geometry()));
    QVERIFY(w.P5->rect().contains(w.L1->geometry()));
    // Every title whole, so that no two entries read the same.
    const QFontMetrics fm(p.LB2->font());
    for (int i = 0; i < p.LB2->count(); ++i) {
      QListWidgetItem* item = p.LB2->item(i);
      const QRect shown = p.LB2->visualItemRect(item).adjusted(3, 0, -3, 0);
      const QRect needed =
          fm.boundingRect(QRect(0, 0, shown.width(), 10000), Qt::TextWordWrap, item->text());
      QVERIFY2(needed.width() <= shown.width() && needed.height() <= shown.height(),
               qPrintable(item->text()));
    }
    // The help on the letters whole, inside the entry area, inside the panel.
    w.NeuesProblem->trigger();
    QCOMPARE(p.Me1->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(p.Me1->verticalScrollBar()->maximum(), 0);
    for (QWidget* c :
         {static_cast<QWidget*>(p.Me1), static_cast<QWidget*>(p.S11), static_cast<QWidget*>(p.S12)})
      QVERIFY(p.p15->rect().contains(c->geometry()));
    QVERIFY(p.p15->geometry().bottom() < p.height());
  }

  void timerShowsTheSolvingTime() {
    Tform45& w = *w_;
    w.Tavrelprobleme->trigger();
    w.probleme->SetSolver([](const std::string&, int, int, const std::atomic<bool>& stop) {
      while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return SolverAnswer{};
    });
    const int64_t white = w.WhiteClockMs;
    w.probleme->D7Click();
    QVERIFY(w.Timer1->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!w.probleme->L14->text().isEmpty(), 5000);
    w.Timer1Timer();
    QCOMPARE(w.WhiteClockMs, white);  // the clocks rest while the panel is shown
    w.probleme->D7Click();
    QVERIFY(WaitForResult());
    QVERIFY(!w.Timer1->isActive());
    // The last-move marking still follows its tick: the next move is framed in green.
    QVERIFY(w.M23->isChecked() && w.MarkLastMove);
    w.Tavrelprobleme->trigger();
    w.D5click();
    QVERIFY(w.ChessBrd1->PlayMove(E2, E4));
    const QPoint e2 = w.ChessBrd1->PixelOfSquare(E2) + QPoint(w.ChessBrd1->SizeOfSquare() / 2, 0);
    QCOMPARE(w.ChessBrd1->BoardImage().pixelColor(e2), QColor(0, 255, 0));
  }

  void solvesAShippedProblem() {
    Tform45& w = *w_;
    w.Tavrelprobleme->trigger();
    const int moves = std::stoi(w.ProblemList[1]);
    w.probleme->D7Click();
    QVERIFY(WaitForResult());
    const QString expected = moves == 1 ? QStringLiteral("Matt in 1 Zug")
                                        : QStringLiteral("Matt in %1 Zügen").arg(moves);
    QCOMPARE(w.probleme->L11->text(), expected);
    QVERIFY(!w.probleme->L12->text().isEmpty());
    QCOMPARE(w.probleme->D7->text(), QStringLiteral("Lösung"));
  }

  // Every shipped title is shown whole: no text wider than the list box's visible width less
  // the item's text margins.
  void shippedTitlesFitTheListBox() {
    Tform45& w = *w_;
    w.Tavrelprobleme->trigger();
    QListWidget& list = *w.probleme->LB2;
    QVERIFY(list.count() >= 300);
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    const int room = list.viewport()->width() - 2 * margin;
    QStringList tooWide;
    for (int i = 0; i < list.count(); ++i) {
      const QString title = list.item(i)->text();
      const int width = list.fontMetrics().horizontalAdvance(title);
      if (width > room) tooWide << QStringLiteral("%1 (%2 > %3)").arg(title).arg(width).arg(room);
    }
    QVERIFY2(tooWide.isEmpty(), qPrintable(tooWide.join(QStringLiteral("; "))));
  }

  void newProblemSurvivesRestart() {
    Tform45& w = *w_;
    w.Tavrelprobleme->trigger();
    w.NeuesProblem->trigger();
    const int entries = w.probleme->LB2->count();
    w.ChessBrd1->NewGame();
    w.probleme->E1->setText(QStringLiteral("Grundstellung"));
    w.probleme->E2->setText(QStringLiteral("20"));
    w.probleme->D1->click();
    w.close();
    Start();
    TProbleme& p = *w_->probleme;
    QCOMPARE(p.LB2->count(), entries + 1);
    QCOMPARE(p.LB2->item(entries)->text(), QStringLiteral("%1. Grundstellung").arg(entries));
    w_->Tavrelprobleme->trigger();
    p.LB2->setCurrentRow(entries);
    QCOMPARE(p.SolveDepth, 12);
    QCOMPARE(p.t2->value(), 8);
    QCOMPARE(w_->ChessBrd1->Position(), std::string(kInitialPosition));
  }

  void closingDuringSolutionStopsIt() {
    Tform45& w = *w_;
    w.Tavrelprobleme->trigger();
    w.ChessBrd1->NewGame();
    w.probleme->t2->setValue(8);  // no mate in the initial position: runs until stopped
    w.probleme->D7Click();
    QTest::qWait(50);
    QVERIFY(w.probleme->Solving());
    w.close();
    QVERIFY(!w.probleme->Solving());
    w_.reset();
  }
};

int main(int argc, char** argv) {
  TavrelApplication app(argc, argv);
  ProblemeWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_probleme_window.moc"
