// The problem panel on its own, with a board, a collection in a temporary data folder, a timer
// and the few main-window controls it touches. The solver is a fake where a test needs to
// control its timing or see what it was asked, and the real mate solver elsewhere.
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "gui/tchessbrd.h"
#include "core/problem_file.h"
#include "gui/probleme.h"

using namespace tavrel;

namespace {

const std::string kInitial = std::string(kInitialPosition);

// A board text with the pieces on the given squares (0 = a8 ... 63 = h1).
std::string Board(std::initializer_list<std::pair<int, char>> pieces) {
  std::string board(64, ' ');
  for (const auto& [square, piece] : pieces) board[static_cast<std::size_t>(square)] = piece;
  return board;
}

// Problem 0: Ra1-a8 mates on the back rank; problem 1: a rook ladder, mate in 2 (Rb2-b7).
const std::string kBackRank =
    Board({{6, 'k'}, {13, 'p'}, {14, 'p'}, {15, 'p'}, {56, 'R'}, {62, 'K'}});
const std::string kLadder = Board({{4, 'k'}, {49, 'R'}, {56, 'R'}, {62, 'K'}});

ProblemList Collection() {
  return {"0. Grundreihenmatt", "1", kBackRank, "1. Turmleiter", "2", kLadder};
}

// A solver stand-in that records its call and either answers at once or searches "forever"
// until the stop flag rises.
class FakeSolver {
 public:
  SolverAnswer answer;
  bool runUntilStopped = false;

  std::atomic<int> calls{0};
  std::atomic<int> maxMoves{-100};
  std::atomic<int> side{0};
  std::atomic<bool> running{false};
  std::atomic<bool> sawStop{false};

  std::string Placement() {
    std::lock_guard lock(mutex_);
    return placement_;
  }

  SolverCall Call() {
    return [this](const std::string& placement, int max, int s, const std::atomic<bool>& stop) {
      {
        std::lock_guard lock(mutex_);
        placement_ = placement;
      }
      maxMoves = max;
      side = s;
      running = true;
      ++calls;
      const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (runUntilStopped && !stop && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      sawStop = stop.load();
      running = false;
      return runUntilStopped ? SolverAnswer{} : answer;
    };
  }

 private:
  std::mutex mutex_;
  std::string placement_;
};

// Closes the next message box that opens and keeps its text; closes any other modal widget
// too, so that a test never hangs on one.
class BoxCloser : public QObject {
 public:
  QString text;
  int boxes = 0;

  BoxCloser() {
    connect(&timer_, &QTimer::timeout, this, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        text = box->text();
        ++boxes;
        box->close();
      } else {
        modal->close();
      }
    });
    timer_.start(10);
  }

 private:
  QTimer timer_;
};

}  // namespace

// The main window's parts the panel uses, around one panel.
struct Host {
  QTemporaryDir dir;
  QWidget window;
  QWidget* column = nullptr;
  TChessBrd* board = nullptr;
  QTimer timer1;
  QLabel* P7 = nullptr;
  QLabel* P8 = nullptr;
  QPushButton* D6 = nullptr;
  int listUpdates = 0;
  ProblemList problems;
  std::unique_ptr<TProbleme> panel;
  FakeSolver fake;

  explicit Host(const ProblemList& list = Collection()) {
    problems = list;
    SaveCompressedList(problems, File());
    window.resize(1008, 709);
    board = new TChessBrd(&window);
    board->setGeometry(0, 60, 500, 500);
    P7 = new QLabel(QStringLiteral("Tavrel  "), &window);
    P8 = new QLabel(&window);
    column = new QWidget(&window);
    column->setGeometry(808, 0, 200, 709);
    D6 = new QPushButton(QStringLiteral("Zugvorschlag"), column);
    timer1.setInterval(200);
    timer1.start();
    Make();
  }
  // The board goes first, while the window around it is whole: stopping its engine thread lets
  // the event loop run, which must not reach a window half destroyed.
  ~Host() {
    panel.reset();
    delete board;
  }

  // A fresh panel over the current collection, as after a start of the program.
  void Make() {
    ProblemeLinks links;
    links.Board = board;
    links.Problems = &problems;
    links.DataFolder = [this] { return dir.path() + "/"; };
    links.Timer1 = &timer1;
    links.P7 = P7;
    links.P8 = P8;
    links.D6 = D6;
    links.UpdateListBox = [this] { ++listUpdates; };
    panel = std::make_unique<TProbleme>(column, links);
    panel->SetSolver(fake.Call());
    panel->FillList();
    QObject::connect(&timer1, &QTimer::timeout, panel.get(), [this] {
      if (panel->Shown()) panel->ShowElapsedTime();
    });
    QObject::connect(panel.get(), &TProbleme::SolutionShown, panel.get(), [this] { ++results; });
  }

  std::filesystem::path File() const {
    return std::filesystem::path(dir.path().toStdString()) / kProblemFileName;
  }

  // The user picks entry `row` of the list (a selection change by mouse or keyboard).
  void Choose(int row) { panel->LB2->setCurrentRow(row); }

  // Waits for the next shown result.
  bool WaitForResult() {
    const bool shown = QTest::qWaitFor([this] { return results > awaited; }, 20000);
    awaited = results;
    return shown;
  }
  int results = 0;
  int awaited = 0;

  QString Cell(int row, int column) const { return panel->SG1->item(row, column)->text(); }
};

class TestProbleme : public QObject {
  Q_OBJECT

 private slots:
  void controlsAndMenu();
  void showingLoadsProblemZero();
  void hidingRestoresTheWindow();
  void entryAreaToggles();
  void storedMoveCount_data();
  void storedMoveCount();
  void solvingShowsTheResult_data();
  void solvingShowsTheResult();
  void solvingSetsTheWindowUp();
  void blackToMoveSearchesForBlack();
  void selectingDuringSolutionStopsIt();
  void abbruchReturnsAtOnce();
  void restartWhileStoppedSolutionUnwinds();
  void elapsedTimeRunsDuringSolution();
  void closingDuringSolutionStopsIt();
  void realSolverMates_data();
  void realSolverMates();
  void realSolverMatesForBlack();
  void realSolverStops();
  void moveCountNotANumber();
  void emptyCollection();
  void gridToBoard();
  void gridByMouseAndKeyboard();
  void boardToGridAndBack();
  void clearingTheGridKeepsTheBoard();
  void storedMoveCountRules_data();
  void storedMoveCountRules();
  void emptyNameStoresNumberAndDot();
  void newProblemSurvivesRestart();
  void missingWorkingCopyIsReported();
  void elapsedTimeText();
};

void TestProbleme::controlsAndMenu() {
  Host h;
  TProbleme& p = *h.panel;
  QVERIFY(!p.Shown());
  QCOMPARE(p.geometry(), QRect(0, 0, 200, 275));
  QCOMPARE(p.L10->text(), QStringLiteral("Tavrelprobleme"));
  QCOMPARE(p.D7->text(), QStringLiteral("Lösung"));
  QCOMPARE(p.D7->geometry(), QRect(16, 80, 75, 25));
  QCOMPARE(p.t2->geometry(), QRect(104, 112, 57, 22));
  QCOMPARE(p.t2->minimum(), 2);
  QCOMPARE(p.t2->maximum(), 8);
  QCOMPARE(p.t2->value(), 3);
  QCOMPARE(p.LB2->geometry(), QRect(12, 148, 177, 108));
  // The entry area grows below its designed 401 pixels only as far as the help text needs.
  QCOMPARE(p.p15->geometry().topLeft(), QPoint(-1, 256));
  QCOMPARE(p.p15->width(), 200);
  QVERIFY(p.p15->height() >= 401 && 256 + p.p15->height() <= 700);
  QCOMPARE(p.SG1->geometry(), QRect(8, 48, 184, 168));
  QCOMPARE(p.SG1->rowCount(), 8);
  QCOMPARE(p.SG1->columnCount(), 8);
  for (int i = 0; i < 8; ++i) {
    QCOMPARE(p.SG1->columnWidth(i), 22);
    QCOMPARE(p.SG1->rowHeight(i), 20);
  }
  QVERIFY(p.SG1->tabKeyNavigation());
  QCOMPARE(p.E2->text(), QStringLiteral("3"));
  QCOMPARE(p.D1->text(), QStringLiteral("Speichern"));
  QCOMPARE(p.S11->geometry().x(), 8);
  QCOMPARE(p.S12->geometry().x(), 32);
  QCOMPARE(p.S11->size(), QSize(23, 22));
  QVERIFY(p.S11->y() >= 376 && p.S11->y() > p.Me1->geometry().bottom());
  QCOMPARE(p.S12->y(), p.S11->y());
  QCOMPARE(p.S11->toolTip(), QStringLiteral("Spielstand übernehmen"));
  QCOMPARE(p.S12->toolTip(), QStringLiteral("Eingabefeld löschen"));
  QVERIFY(!p.S11->icon().isNull());
  QVERIFY(!p.S12->icon().isNull());
  QCOMPARE(p.LB2->count(), 2);
  QCOMPARE(p.LB2->item(1)->text(), QStringLiteral("1. Turmleiter"));
  QCOMPARE(p.SolverStopFlag.load(), true);
  QCOMPARE(p.SolveDepth, 0);

  // The window's own menu items take over with their initial state.
  QAction m11(QStringLiteral("Tavrelprobleme")), m6(QStringLiteral("Neues Problem eingeben"));
  QAction m15(QStringLiteral("Spielfeld kopieren")), m3(QStringLiteral("Eingabefeld löschen"));
  for (QAction* a : {&m11, &m6, &m15, &m3}) a->setEnabled(false);
  p.AttachMenu(&m11, &m6, &m15, &m3);
  QVERIFY(m11.isEnabled() && m11.isCheckable() && !m11.isChecked());
  QVERIFY(!m6.isEnabled() && m6.isCheckable() && !m6.isChecked());
  QVERIFY(!m15.isEnabled() && !m3.isEnabled());
  m11.trigger();
  QVERIFY(p.Shown());
  QVERIFY(m11.isChecked());
  QVERIFY(m6.isEnabled() && m15.isEnabled() && m3.isEnabled());
  m6.trigger();
  QCOMPARE(p.height(), 700);
  QVERIFY(m6.isChecked());
  m15.trigger();
  QCOMPARE(h.Cell(0, 6), QStringLiteral("k"));
  m3.trigger();
  QCOMPARE(h.Cell(0, 6), QString());
  m11.trigger();
  QVERIFY(!p.Shown());
  QVERIFY(!m11.isChecked());
  QVERIFY(m6.isChecked());  // hiding leaves the entry area's check mark alone
}

void TestProbleme::showingLoadsProblemZero() {
  Host h;
  h.panel->S6C();
  QVERIFY(h.panel->Shown());
  QVERIFY(h.panel->M11->isChecked());
  QCOMPARE(h.panel->height(), 275);
  QCOMPARE(h.panel->LB2->currentRow(), 0);
  QCOMPARE(h.board->Position(), kBackRank);
  QVERIFY(h.board->WhiteToMove());
  QCOMPARE(h.P7->text(), QStringLiteral("0.Problem :  Grundreihenmatt     "));
  QVERIFY(h.P7->alignment() & Qt::AlignRight);
  QVERIFY(!h.timer1.isActive());
  QVERIFY(h.D6->isHidden());
  QCOMPARE(h.listUpdates, 1);
  QCOMPARE(h.panel->t2->value(), 2);  // 1 is shown as the spin box's least value
  QCOMPARE(h.panel->SolveDepth, 1);

  // Choosing another entry loads it.
  h.Choose(1);
  QCOMPARE(h.board->Position(), kLadder);
  QCOMPARE(h.P7->text(), QStringLiteral("1.Problem :  Turmleiter     "));
  QCOMPARE(h.panel->SolveDepth, 2);
  QCOMPARE(h.listUpdates, 2);
}

void TestProbleme::hidingRestoresTheWindow() {
  Host h;
  h.panel->S6C();
  h.panel->SB10Click();
  h.panel->S6C();
  QVERIFY(!h.panel->Shown());
  QCOMPARE(h.P7->text(), QStringLiteral("Tavrel"));
  QVERIFY(h.P7->alignment() & Qt::AlignHCenter);
  QVERIFY(h.timer1.isActive());
  QVERIFY(!h.D6->isHidden());
  QVERIFY(!h.panel->M6->isEnabled() && !h.panel->M15->isEnabled() && !h.panel->M3->isEnabled());
  // Showing again always starts with the list only and the first problem.
  h.Choose(1);
  h.board->NewGame();
  h.panel->S6C();
  QCOMPARE(h.panel->height(), 275);
  QCOMPARE(h.panel->LB2->currentRow(), 0);
  QCOMPARE(h.board->Position(), kBackRank);
}

void TestProbleme::entryAreaToggles() {
  Host h;
  h.panel->SB10Click();  // hidden: nothing happens
  QCOMPARE(h.panel->height(), 275);
  QVERIFY(!h.panel->M6->isChecked());
  h.panel->S6C();
  h.panel->SB10Click();
  QCOMPARE(h.panel->height(), 700);
  QVERIFY(h.panel->M6->isChecked());
  h.panel->SB10Click();
  QCOMPARE(h.panel->height(), 275);
  QVERIFY(!h.panel->M6->isChecked());
}

void TestProbleme::storedMoveCount_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<int>("shown");
  QTest::addColumn<int>("solved");
  QTest::newRow("12 shows 8, solves with 12") << "12" << 8 << 12;
  QTest::newRow("1 shows 2, solves with 1") << "1" << 2 << 1;
  QTest::newRow("5 as it is") << "5" << 5 << 5;
  QTest::newRow("0 shows 2, solves with 0") << "0" << 2 << 0;
}

void TestProbleme::storedMoveCount() {
  QFETCH(QString, stored);
  QFETCH(int, shown);
  QFETCH(int, solved);
  Host h({"0. Erstes", "3", kBackRank, "1. Zweites", stored.toStdString(), kLadder});
  h.panel->S6C();
  QCOMPARE(h.panel->t2->value(), 3);
  h.Choose(1);
  QCOMPARE(h.panel->t2->value(), shown);
  QCOMPARE(h.panel->SolveDepth, solved);
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.fake.maxMoves.load(), solved);
  QCOMPARE(h.fake.Placement(), std::string("4k3/8/8/8/8/8/1R6/R5K1/"));
}

void TestProbleme::solvingShowsTheResult_data() {
  QTest::addColumn<int>("moves");
  QTest::addColumn<QString>("solution");
  QTest::addColumn<QString>("announcement");
  QTest::addColumn<QString>("shown");
  QTest::newRow("mate in 1") << 1 << "Ra1-a8"
                             << "Matt in 1 Zug"
                             << "Ta1-a8";
  QTest::newRow("mate in 3") << 3 << "Qh5xf7"
                             << "Matt in 3 Zügen"
                             << "Dh5xf7";
  QTest::newRow("knight") << 2 << "Nf3-g5"
                          << "Matt in 2 Zügen"
                          << "Sf3-g5";
  QTest::newRow("bishop") << 2 << "Bc4xf7"
                          << "Matt in 2 Zügen"
                          << "Lc4xf7";
  QTest::newRow("promotion") << 1 << "f7-f8=Q"
                             << "Matt in 1 Zug"
                             << "f7-f8=D";
  QTest::newRow("no mate") << 0 << ""
                           << ""
                           << "keine Lösung gefunden";
}

void TestProbleme::solvingShowsTheResult() {
  QFETCH(int, moves);
  QFETCH(QString, solution);
  QFETCH(QString, announcement);
  QFETCH(QString, shown);
  Host h;
  h.fake.answer = {moves, solution.toStdString()};
  h.panel->S6C();
  h.panel->L11->setText(QStringLiteral("alt"));
  h.panel->D7Click();
  QCOMPARE(h.panel->L11->text(), QString());
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.panel->L11->text(), announcement);
  QCOMPARE(h.panel->L12->text(), shown);
  QCOMPARE(h.panel->D7->text(), QStringLiteral("Lösung"));
  QVERIFY(h.panel->SolverStopFlag);
  QVERIFY(!h.panel->Solving());
}

void TestProbleme::solvingSetsTheWindowUp() {
  Host h;
  h.fake.runUntilStopped = true;
  h.panel->S6C();
  h.P8->setText(QStringLiteral("Tavrel !"));
  QVERIFY(!h.timer1.isActive());
  h.panel->D7Click();
  QCOMPARE(h.panel->D7->text(), QStringLiteral("Abbruch!"));
  QVERIFY(!h.panel->SolverStopFlag);
  QCOMPARE(h.P8->text(), QString());
  QVERIFY(h.timer1.isActive());
  QTRY_VERIFY(h.fake.running);
  QCOMPARE(h.fake.side.load(), 1);
  QCOMPARE(h.fake.Placement(), std::string("6k1/5ppp/8/8/8/8/8/R5K1/"));
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
  QVERIFY(!h.timer1.isActive());  // stopped again with the result
}

void TestProbleme::blackToMoveSearchesForBlack() {
  Host h;
  h.panel->S6C();
  h.board->SetWhiteToMove(false);
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.fake.side.load(), -1);
}

void TestProbleme::selectingDuringSolutionStopsIt() {
  Host h;
  h.fake.runUntilStopped = true;
  h.panel->S6C();
  h.panel->D7Click();
  QTRY_VERIFY(h.fake.running);
  const int updates = h.listUpdates;
  h.Choose(1);
  QCOMPARE(h.panel->D7->text(), QStringLiteral("Lösung"));
  QVERIFY(h.panel->SolverStopFlag);
  QVERIFY(h.WaitForResult());
  QVERIFY(h.fake.sawStop);
  QCOMPARE(h.board->Position(), kBackRank);  // the entry chosen was not loaded
  QCOMPARE(h.P7->text(), QStringLiteral("0.Problem :  Grundreihenmatt     "));
  QCOMPARE(h.listUpdates, updates);
  QCOMPARE(h.panel->L12->text(), QStringLiteral("keine Lösung gefunden"));
  QCOMPARE(h.panel->L11->text(), QString());
}

void TestProbleme::abbruchReturnsAtOnce() {
  Host h;
  h.fake.runUntilStopped = true;
  h.window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&h.window));
  h.panel->S6C();
  QTest::mouseClick(h.panel->D7, Qt::LeftButton);
  QCOMPARE(h.panel->D7->text(), QStringLiteral("Abbruch!"));
  QTRY_VERIFY(h.fake.running);
  QTest::mouseClick(h.panel->D7, Qt::LeftButton);
  QCOMPARE(h.panel->D7->text(), QStringLiteral("Lösung"));
  QVERIFY(h.panel->SolverStopFlag);
  QCOMPARE(h.panel->L12->text(), QString());  // the result comes when the solver has returned
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.panel->L12->text(), QStringLiteral("keine Lösung gefunden"));
}

void TestProbleme::restartWhileStoppedSolutionUnwinds() {
  Host h;
  h.fake.runUntilStopped = true;
  h.panel->S6C();
  h.panel->D7Click();
  QTRY_VERIFY(h.fake.running);
  h.panel->D7Click();  // stop
  h.panel->D7Click();  // and start again before the first result was shown
  QCOMPARE(h.panel->D7->text(), QStringLiteral("Abbruch!"));
  QTRY_COMPARE(h.fake.calls.load(), 2);
  QTRY_VERIFY(h.fake.running);
  QTest::qWait(50);  // the first result is dropped, not shown over the second run
  QCOMPARE(h.panel->D7->text(), QStringLiteral("Abbruch!"));
  QCOMPARE(h.panel->L12->text(), QString());
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.panel->L12->text(), QStringLiteral("keine Lösung gefunden"));
}

void TestProbleme::elapsedTimeRunsDuringSolution() {
  Host h;
  h.fake.runUntilStopped = true;
  h.panel->S6C();
  h.panel->D7Click();
  QTRY_VERIFY_WITH_TIMEOUT(!h.panel->L14->text().isEmpty(), 5000);  // from Timer1's ticks
  QVERIFY(h.panel->L14->text().contains(QStringLiteral("00:0")));
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
}

void TestProbleme::closingDuringSolutionStopsIt() {
  Host h;
  h.fake.runUntilStopped = true;
  h.panel->S6C();
  h.panel->D7Click();
  QTRY_VERIFY(h.fake.running);
  h.panel.reset();  // the window closes with the solution running
  QVERIFY(!h.fake.running);
  QVERIFY(h.fake.sawStop);
  QTest::qWait(20);  // the dropped result must not reach the destroyed panel
}

void TestProbleme::realSolverMates_data() {
  QTest::addColumn<int>("row");
  QTest::addColumn<QString>("announcement");
  QTest::addColumn<QString>("shown");
  QTest::newRow("back-rank mate in 1") << 0 << "Matt in 1 Zug"
                                       << "Ta1-a8";
  QTest::newRow("rook ladder in 2") << 1 << "Matt in 2 Zügen"
                                    << "Tb2-b7";
  QTest::newRow("mate in 3") << 2 << "Matt in 3 Zügen"
                             << "Kc1-c2";
}

void TestProbleme::realSolverMates() {
  QFETCH(int, row);
  QFETCH(QString, announcement);
  QFETCH(QString, shown);
  // White Kc1 and Rh1 against Ka1: mate in 3 that starts with a king move.
  const std::string corner = Board({{56, 'k'}, {58, 'K'}, {63, 'R'}});
  ProblemList list = Collection();
  for (const std::string& line : {std::string("2. Drei"), std::string("3"), corner})
    list.push_back(line);
  Host h(list);
  h.panel->SetSolver(MateSolverCall());
  h.panel->S6C();
  h.Choose(row);
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.panel->L11->text(), announcement);
  QCOMPARE(h.panel->L12->text(), shown);
}

void TestProbleme::realSolverMatesForBlack() {
  Host h;
  h.panel->SetSolver(MateSolverCall());
  h.board->SetPosition(Board({{0, 'r'}, {6, 'k'}, {53, 'P'}, {54, 'P'}, {55, 'P'}, {62, 'K'}}));
  h.board->SetWhiteToMove(false);
  h.panel->t2->setValue(2);
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.panel->L11->text(), QStringLiteral("Matt in 1 Zug"));
  QCOMPARE(h.panel->L12->text(), QStringLiteral("Ta8-a1"));  // upper case for Black's pieces too
}

void TestProbleme::realSolverStops() {
  Host h;
  h.panel->SetSolver(MateSolverCall());
  h.panel->S6C();
  h.board->NewGame();  // the initial position has no mate to find within 8 moves
  h.panel->t2->setValue(8);
  h.panel->D7Click();
  QTest::qWait(100);
  QVERIFY(h.panel->Solving());
  h.panel->D7Click();
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.panel->L12->text(), QStringLiteral("keine Lösung gefunden"));
}

void TestProbleme::moveCountNotANumber() {
  Host h({"0. Kaputt", "zwei", kBackRank, "1. Turmleiter", "2", kLadder});
  h.board->SetPosition(kLadder);
  BoxCloser closer;
  h.panel->S6C();
  QCOMPARE(closer.boxes, 1);
  QCOMPARE(closer.text, QStringLiteral("'zwei' ist kein gültiger Integerwert"));
  QCOMPARE(h.board->Position(), kInitial);  // reset, the position not loaded
  QCOMPARE(h.listUpdates, 1);               // and the move list shows the reset board
  QCOMPARE(h.P7->text(), QStringLiteral("0.Problem :  Kaputt     "));
  QCOMPARE(h.panel->t2->value(), 3);
  // The program goes on.
  h.Choose(1);
  QCOMPARE(h.board->Position(), kLadder);
  // A collection cut short after a title: the box again, no crash.
  h.problems = {"0. Rest"};
  h.Make();
  const int updates = h.listUpdates;
  h.panel->S6C();
  QCOMPARE(closer.boxes, 2);
  QCOMPARE(h.listUpdates, updates + 1);
}

void TestProbleme::emptyCollection() {
  Host h(ProblemList{});
  h.board->SetPosition(kLadder);
  h.P7->setText(QStringLiteral("Tavrel  "));
  h.panel->S6C();
  QVERIFY(h.panel->Shown());
  QCOMPARE(h.board->Position(), kLadder);
  QCOMPARE(h.P7->text(), QStringLiteral("Tavrel  "));
  h.panel->D7Click();  // t2 untouched: the solver gets 0 moves
  QVERIFY(h.WaitForResult());
  QCOMPARE(h.fake.maxMoves.load(), 0);
  QCOMPARE(h.panel->L12->text(), QStringLiteral("keine Lösung gefunden"));
}

void TestProbleme::gridToBoard() {
  Host h;
  QTableWidget& g = *h.panel->SG1;
  g.item(0, 4)->setText(QStringLiteral("k"));
  g.item(7, 4)->setText(QStringLiteral("K"));
  g.item(7, 0)->setText(QStringLiteral("Txy"));  // a white rook, the rest ignored
  g.item(6, 0)->setText(QStringLiteral("B"));    // a white pawn
  g.item(1, 3)->setText(QStringLiteral("l"));    // a black bishop
  g.item(1, 4)->setText(QStringLiteral("s"));
  g.item(1, 5)->setText(QStringLiteral("d"));
  g.item(2, 0)->setText(QStringLiteral("P"));  // not a grid letter
  g.item(2, 1)->setText(QStringLiteral("7"));
  g.item(2, 2)->setText(QStringLiteral("ä"));
  h.board->SetWhiteToMove(false);
  h.panel->SG1Click();
  std::string expected(64, ' ');
  expected[4] = 'k';
  expected[60] = 'K';
  expected[56] = 'R';
  expected[48] = 'P';
  expected[11] = 'b';
  expected[12] = 'n';
  expected[13] = 'q';
  QCOMPARE(h.board->Position(), expected);
  QVERIFY(!h.board->WhiteToMove());  // the side to move is not touched
}

void TestProbleme::gridByMouseAndKeyboard() {
  Host h;
  h.window.show();
  h.panel->S6C();
  h.panel->SB10Click();
  QVERIFY(QTest::qWaitForWindowExposed(&h.window));
  QTableWidget& g = *h.panel->SG1;
  g.item(0, 0)->setText(QStringLiteral("K"));
  g.item(7, 7)->setText(QStringLiteral("k"));
  // Moving the focus into the grid alone changes nothing on the board.
  h.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&h.window));
  h.board->SetPosition(kLadder);
  g.setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  QVERIFY(g.hasFocus());
  QCOMPARE(h.board->Position(), kLadder);
  const QRect cell = g.visualItemRect(g.item(3, 3));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, cell.center());
  QCOMPARE(h.board->Position(), "K" + std::string(62, ' ') + "k");
  // Typing into the current cell and moving on with Tab brings the letter onto the board.
  QTest::keyClick(&g, 'T');
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(g.item(3, 3)->text(), QStringLiteral("T"));
  QCOMPARE(h.board->Position()[27], 'R');
  // Clicking the current cell again rebuilds the board as well.
  QCoreApplication::processEvents();
  h.board->SetPosition(std::string(64, ' '));
  const QRect current = g.visualItemRect(g.item(g.currentRow(), g.currentColumn()));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, current.center());
  QCOMPARE(h.board->Position()[0], 'K');
}

void TestProbleme::boardToGridAndBack() {
  Host h;
  for (const std::string& position : {kBackRank, kLadder, kInitial}) {
    h.board->SetPosition(position);
    h.panel->S11Click();
    h.panel->SG1Click();
    QCOMPARE(h.board->Position(), position);
  }
  // The initial position in German letters, empty squares as one blank.
  QCOMPARE(h.Cell(0, 0), QStringLiteral("t"));
  QCOMPARE(h.Cell(0, 1), QStringLiteral("s"));
  QCOMPARE(h.Cell(0, 2), QStringLiteral("l"));
  QCOMPARE(h.Cell(0, 3), QStringLiteral("d"));
  QCOMPARE(h.Cell(0, 4), QStringLiteral("k"));
  QCOMPARE(h.Cell(1, 0), QStringLiteral("b"));
  QCOMPARE(h.Cell(4, 4), QStringLiteral(" "));
  QCOMPARE(h.Cell(6, 7), QStringLiteral("B"));
  QCOMPARE(h.Cell(7, 2), QStringLiteral("L"));
  QCOMPARE(h.Cell(7, 3), QStringLiteral("D"));
  QCOMPARE(h.Cell(7, 6), QStringLiteral("S"));
  QCOMPARE(h.Cell(7, 7), QStringLiteral("T"));
}

void TestProbleme::clearingTheGridKeepsTheBoard() {
  Host h;
  h.board->SetPosition(kLadder);
  h.panel->S11Click();
  h.panel->S12Click();
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) QCOMPARE(h.Cell(r, c), QString());
  QCOMPARE(h.board->Position(), kLadder);
}

void TestProbleme::storedMoveCountRules_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("stored");
  QTest::newRow("0") << "0"
                     << "3";
  QTest::newRow("letters") << "abc"
                           << "3";
  QTest::newRow("empty") << ""
                         << "3";
  QTest::newRow("20") << "20"
                      << "12";
  QTest::newRow("5a") << "5a"
                      << "5";
  QTest::newRow("12") << "12"
                      << "12";
}

void TestProbleme::storedMoveCountRules() {
  QFETCH(QString, typed);
  QFETCH(QString, stored);
  Host h;
  h.panel->S6C();
  h.panel->E1->setText(QStringLiteral("Neu"));
  h.panel->E2->setText(typed);
  h.panel->B2C();
  QCOMPARE(h.problems.size(), std::size_t{9});
  QCOMPARE(QString::fromStdString(h.problems[7]), stored);
  ProblemList onDisk;
  LoadCompressedList(onDisk, h.File());
  QCOMPARE(QString::fromStdString(onDisk[7]), stored);
}

void TestProbleme::emptyNameStoresNumberAndDot() {
  Host h;
  h.panel->E1->clear();
  h.panel->B2C();
  QCOMPARE(h.problems[6], std::string("2. "));
  QCOMPARE(h.panel->LB2->item(2)->text(), QStringLiteral("2. "));
  QCOMPARE(h.panel->E2->text(), QStringLiteral("3"));  // the entry fields keep their texts
}

void TestProbleme::newProblemSurvivesRestart() {
  Host h;
  h.panel->S6C();
  h.panel->SB10Click();
  // A new problem set up in the grid: White Kb6, Qc7 against Ka8 (mate in 1).
  h.panel->S12Click();
  h.panel->SG1->item(0, 0)->setText(QStringLiteral("k"));
  h.panel->SG1->item(2, 1)->setText(QStringLiteral("K"));
  h.panel->SG1->item(1, 2)->setText(QStringLiteral("D"));
  h.panel->SG1Click();
  const std::string position = h.board->Position();
  h.panel->E1->setText(QStringLiteral("Damenmatt"));
  h.panel->E2->setText(QStringLiteral("1"));
  h.panel->B2C();
  QCOMPARE(h.panel->LB2->count(), 3);
  QCOMPARE(h.panel->LB2->currentRow(), 0);  // the selection does not move

  // Restart: the collection comes back from the working copy.
  h.panel.reset();
  h.problems.clear();
  StartProblemCollection(h.problems, "/nonexistent-shipped-folder", h.dir.path().toStdString());
  h.Make();
  QCOMPARE(h.panel->LB2->count(), 3);
  QCOMPARE(h.panel->LB2->item(2)->text(), QStringLiteral("2. Damenmatt"));
  h.panel->S6C();
  h.Choose(2);
  QCOMPARE(h.board->Position(), position);
  QCOMPARE(h.panel->SolveDepth, 1);
  QCOMPARE(h.P7->text(), QStringLiteral("2.Problem :  Damenmatt     "));
}

void TestProbleme::missingWorkingCopyIsReported() {
  Host h;
  std::filesystem::remove(h.File());
  BoxCloser closer;
  h.panel->E1->setText(QStringLiteral("Verloren"));
  h.panel->B2C();
  QCOMPARE(closer.boxes, 1);
  QCOMPARE(closer.text, QStringLiteral("Änderung nicht speicherbar"));
  QVERIFY(!std::filesystem::exists(h.File()));
  QCOMPARE(h.problems.size(), std::size_t{9});  // kept in memory
  QCOMPARE(h.panel->LB2->count(), 3);
}

void TestProbleme::elapsedTimeText() {
  const QString text = ElapsedTimeText(3'723'000);  // 1 h 2 min 3 s
  QVERIFY2(text.contains(QStringLiteral("1:02:03")), qPrintable(text));
  for (QChar c : text) QVERIFY2(!c.isLetter(), qPrintable(text));
}

QTEST_MAIN(TestProbleme)
#include "test_probleme.moc"
