// TProbleme: the problem panel of the main window. It lists the problems of the collection,
// puts the chosen one on the visible board, has the mate solver find the first move of the
// shortest mate while the window stays usable, and lets the user set up a new problem in an
// 8 x 8 grid of German piece letters and append it to the collection file.
//
// The panel lies over the top of the right-hand column; it is hidden until "Tavrelprobleme"
// shows it. It uses the main window's board, collection, timer, caption bar, status line and
// move list through ProblemeLinks, which it does not own.
//
// Threads: everything here runs on the UI thread except the solver, which runs on one worker
// thread per solution. Only values cross: the worker gets the placement text, the depth and the
// side, reads SolverStopFlag, and hands its result back through a queued call. A stop request
// raises SolverStopFlag; the solver then returns within milliseconds. The destructor (and the
// application's aboutToQuit) raise the flag and join the worker, so closing the window during a
// solution leaves no thread behind.
#pragma once

#include <QElapsedTimer>
#include <QFrame>
#include <QString>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;
class QToolButton;

namespace tavrel {

class TChessBrd;

// What the panel uses of the main window. Every pointer must stay valid for the panel's life.
struct ProblemeLinks {
  TChessBrd* Board = nullptr;                    // the visible board ChessBrd1
  std::vector<std::string>* Problems = nullptr;  // ProblemList, three lines per problem
  std::function<QString()> DataFolder;           // folder of the working copy "mtavrel.c00"
  QTimer* Timer1 = nullptr;                      // 200 ms timer; its tick calls ShowElapsedTime
  QLabel* P7 = nullptr;                          // caption bar above the board
  QLabel* P8 = nullptr;                          // status line below the board
  QWidget* D6 = nullptr;                         // "Zugvorschlag", hidden while the panel is shown
  std::function<void()> UpdateListBox;           // refresh of move list and status after a change
};

// The solver's answer: moves of the shortest mate (0: none) and its first move in the solver's
// notation with English letters (empty when moves is 0).
struct SolverAnswer {
  int moves = 0;
  std::string solution;
};
// The solver call: placement text, largest number of moves, side (+1 White, -1 Black), stop
// flag (the search gives up once it is true). Runs on the worker thread.
using SolverCall = std::function<SolverAnswer(const std::string& placement, int maxMoves, int side,
                                              const std::atomic<bool>& stop)>;

// The mate solver SolveMate as a SolverCall.
SolverCall MateSolverCall();

class TProbleme : public QFrame {
  Q_OBJECT

 public:
  // Creates the panel hidden, at the top-left corner of parent, 200 x 275.
  TProbleme(QWidget* parent, ProblemeLinks links);
  ~TProbleme() override;

  // ---- Controls ----
  QLabel* L10 = nullptr;        // "Tavrelprobleme"
  QLabel* L11 = nullptr;        // mate announcement
  QLabel* L12 = nullptr;        // first move of the solution, or "keine Lösung gefunden"
  QPushButton* D7 = nullptr;    // "Lösung" / "Abbruch!"
  QLabel* L14 = nullptr;        // elapsed solving time
  QLabel* L16 = nullptr;        // "Zugzahl"
  QSpinBox* t2 = nullptr;       // number of moves for the solver, 2..8
  QListWidget* LB2 = nullptr;   // problem titles
  QFrame* p15 = nullptr;        // entry area
  QLabel* L17 = nullptr;        // "Neues Problem eingeben"
  QTableWidget* SG1 = nullptr;  // 8 x 8 grid of German piece letters
  QLabel* L18 = nullptr;
  QLineEdit* E1 = nullptr;  // name of a new problem
  QLabel* L19 = nullptr;
  QLineEdit* E2 = nullptr;        // move count of a new problem
  QPushButton* D1 = nullptr;      // "Speichern"
  QPlainTextEdit* Me1 = nullptr;  // help on the letters
  QToolButton* S11 = nullptr;     // board -> grid
  QToolButton* S12 = nullptr;     // clear the grid

  // Menu items of "Problemtavrel": the panel's own until AttachMenu hands it the window's.
  QAction* M11 = nullptr;  // "Tavrelprobleme"
  QAction* M6 = nullptr;   // "Neues Problem eingeben"
  QAction* M15 = nullptr;  // "Spielfeld kopieren"
  QAction* M3 = nullptr;   // "Eingabefeld löschen"

  // ---- State ----
  // True while no solution runs and as soon as a stop was asked; false only while a solution
  // runs unstopped. The worker's solver reads it.
  std::atomic<bool> SolverStopFlag{true};
  // Number of moves handed to the solver: 0 until t2 changes or a problem is chosen.
  int SolveDepth = 0;

  // Connects the window's menu items and gives them their initial state: M11 enabled, the
  // others disabled; M11 and M6 carry check marks.
  void AttachMenu(QAction* m11, QAction* m6, QAction* m15, QAction* m3);
  // Fills LB2 with the titles of the collection (lines 0, 3, 6, ...) and selects the first.
  void FillList();
  // The panel's own visibility, independent of whether the window is on screen.
  bool Shown() const { return !isHidden(); }
  // Timer1's tick while the panel is shown: the time since the solution started into L14.
  void ShowElapsedTime();
  // A solver worker exists whose result has not been shown yet.
  bool Solving() const { return worker_.joinable(); }
  // Raises the stop flag and waits for the worker; its result is dropped. For closing.
  void StopSolution();
  // Replaces the solver (tests); the default is the mate solver SolveMate.
  void SetSolver(SolverCall solver) { solver_ = std::move(solver); }

  // ---- Handlers ----
  void S6C();        // M11: show or hide the panel
  void SB10Click();  // M6: open or close the entry area
  void LB2C();       // selection change in LB2: load the problem, or stop a solution
  void T2Change();   // t2 changed
  void D7Click();    // start a solution, or ask the running one to stop
  void SG1Click();   // a grid cell became current: the grid onto the board
  void S11Click();   // S11, M15: the board into the grid
  void S12Click();   // S12, M3: clear the grid
  void B2C();        // D1: append the board as a new problem and save the collection

 signals:
  // A solution has ended and its result is shown (tests wait for it).
  void SolutionShown();

 private:
  void CreateControls();
  void CreateEntryArea();
  void ConnectHandlers();
  void SetPanelHeight(int height);
  void AddTitle(const QString& title);
  void FinishSolution(unsigned run, int moves, const std::string& move);
  void ShowErrorBox(const QString& text);

  ProblemeLinks links_;
  SolverCall solver_;
  std::thread worker_;
  unsigned run_ = 0;  // number of the latest solution; older results are dropped
  QElapsedTimer solveClock_;
  // The grid cell whose change of current cell already ran SG1Click, so that the click that
  // caused it does not run it again.
  int changedRow_ = -1, changedColumn_ = -1;
};

// Elapsed time in the system's long time format, without zone or day-half markers:
// "00:01:05" for 65 seconds with a 24-hour format.
QString ElapsedTimeText(qint64 milliseconds);

}  // namespace tavrel
