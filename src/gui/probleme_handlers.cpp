// The problem panel's handlers: showing the panel, choosing a problem, solving on a worker
// thread, the entry grid and storing a new problem.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "gui/tchessbrd.h"
#include "core/placement.h"
#include "core/problem_file.h"
#include "gui/probleme.h"

namespace tavrel {

namespace {

constexpr int kListHeight = 275;
constexpr int kEntryHeight = 700;

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// A plain box with one OK button, titled like the program.
void ShowBox(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, QStringLiteral("Tavrel"), text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace

QString ElapsedTimeText(qint64 milliseconds) {
  // The long format may name the zone or the half of the day; neither belongs to a duration.
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  static const QRegularExpression kNotADuration(QStringLiteral("\\s*(t+|[Aa][Pp]?)\\s*"));
  format.replace(kNotADuration, QStringLiteral(" "));
  format = format.trimmed();
  if (format.isEmpty()) format = QStringLiteral("HH:mm:ss");
  return QTime(0, 0).addMSecs(static_cast<int>(milliseconds % 86'400'000)).toString(format);
}

void TProbleme::S6C() {
  setVisible(!Shown());
  M11->setChecked(Shown());
  if (Shown()) {
    raise();
    links_.P7->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    links_.Timer1->stop();
    SetPanelHeight(kListHeight);
    for (QAction* item : {M6, M15, M3}) item->setEnabled(true);
    links_.D6->hide();
    {
      const QSignalBlocker byProgram(LB2);
      LB2->setCurrentRow(0);
    }
    LB2C();
  } else {
    links_.P7->setText(QStringLiteral("Tavrel"));
    links_.P7->setAlignment(Qt::AlignCenter);
    links_.Timer1->start();
    for (QAction* item : {M6, M15, M3}) item->setEnabled(false);
    links_.D6->show();
  }
}

void TProbleme::SB10Click() {
  if (!Shown()) return;
  SetPanelHeight(height() == kListHeight ? kEntryHeight : kListHeight);
  M6->setChecked(height() == kEntryHeight);
}

void TProbleme::FillList() {
  const QSignalBlocker byProgram(LB2);
  LB2->clear();
  // All titles in one insertion: item by item, each insertion lays the view out again, which
  // grows with the square of a large collection's size.
  const ProblemList& problems = *links_.Problems;
  QStringList titles;
  titles.reserve(static_cast<qsizetype>(problems.size() / 3 + 1));
  for (std::size_t i = 0; i < problems.size(); i += 3) titles.append(Q(problems[i]));
  LB2->addItems(titles);
  // The rows share one height (uniform item sizes): the first item's hint sets it for all.
  if (LB2->count() > 0) LB2->item(0)->setSizeHint(QSize(0, 13));
  LB2->setCurrentRow(0);
}

void TProbleme::AddTitle(const QString& title) {
  const QSignalBlocker byProgram(LB2);
  new QListWidgetItem(title, LB2);
}

void TProbleme::LB2C() {
  if (!SolverStopFlag) {  // a solution runs: choosing is a stop request
    D7->setText(QStringLiteral("Lösung"));
    SolverStopFlag = true;
    return;
  }
  const int index = LB2->currentRow();
  if (index < 0) return;
  links_.Board->NewGame();
  // From here on the board holds a fresh game: every way out shows it in the move list, also
  // when the problem cannot be loaded.
  const auto refresh = [this] {
    if (links_.UpdateListBox) links_.UpdateListBox();
  };
  const QString title = LB2->item(index)->text();
  links_.P7->setText(Q(ProblemCaption(title.toStdString())));

  const std::vector<std::string>& lines = *links_.Problems;
  const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
    return Q(line).compare(title, Qt::CaseInsensitive) == 0;
  });
  if (found == lines.end()) {  // the list box always comes from the collection
    refresh();
    return;
  }
  const std::size_t i = static_cast<std::size_t>(found - lines.begin());
  // A damaged collection must not bring the program down: the box, then the program goes on.
  if (i + 1 >= lines.size()) {
    refresh();
    ShowErrorBox(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(i + 1));
    return;
  }
  const std::optional<int> moves = ParseMoveCountLine(lines[i + 1]);
  if (!moves) {
    refresh();
    ShowErrorBox(Q(InvalidIntegerMessage(lines[i + 1])));
    return;
  }
  t2->setValue(*moves);  // clamps what it shows to 2..8; a change runs T2Change
  SolveDepth = *moves;   // the solver gets the stored count itself
  if (i + 2 >= lines.size()) {
    refresh();
    ShowErrorBox(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(i + 2));
    return;
  }
  links_.Board->SetPosition(lines[i + 2]);
  refresh();
}

void TProbleme::T2Change() {
  SolveDepth = std::max(1, t2->value());
}

void TProbleme::D7Click() {
  if (!SolverStopFlag) {
    D7->setText(QStringLiteral("Lösung"));
    SolverStopFlag = true;
    return;
  }
  // A stopped solution may still be unwinding: it has seen the raised flag and ends within
  // milliseconds; its result is dropped below because the run number moves on.
  if (worker_.joinable()) worker_.join();

  links_.P8->clear();
  SolverStopFlag = false;
  D7->setText(QStringLiteral("Abbruch!"));
  L11->clear();
  L12->clear();
  L14->clear();
  const std::string placement = PositionToPlacement(links_.Board->Position());
  links_.Timer1->start();
  solveClock_.start();
  const int side = links_.Board->WhiteToMove() ? 1 : -1;
  // The last-move marking is left alone: switched off here behind its ticked menu item, it
  // never came back. The problem's position lists no move, so nothing stale is framed.

  const unsigned run = ++run_;
  worker_ = std::thread([this, run, placement, depth = SolveDepth, side, solver = solver_] {
    SolverAnswer answer;
    try {
      answer = solver(placement, depth, side, SolverStopFlag);
    } catch (...) {
      answer = {};  // out of memory in the search: no solution rather than a dead program
    }
    QMetaObject::invokeMethod(
        this, [this, run, answer] { FinishSolution(run, answer.moves, answer.solution); },
        Qt::QueuedConnection);
  });
}

void TProbleme::FinishSolution(unsigned run, int moves, const std::string& move) {
  if (run != run_) return;  // superseded by a newer solution
  worker_.join();           // it has handed over its result and is ending
  QString text;
  if (moves > 0 && !move.empty()) {
    text = Q(TranslateSolutionLetters(move));
    L11->setText(Q(MateAnnouncement(moves)));
  } else {
    text = QStringLiteral("keine Lösung gefunden");
    L11->clear();
  }
  // With the panel hidden the timer drives the game clocks again and must keep running.
  if (Shown()) links_.Timer1->stop();
  L12->setText(text);
  D7->setText(QStringLiteral("Lösung"));
  SolverStopFlag = true;
  emit SolutionShown();
}

void TProbleme::StopSolution() {
  SolverStopFlag = true;
  ++run_;  // a result still queued is dropped
  if (worker_.joinable()) worker_.join();
  D7->setText(QStringLiteral("Lösung"));
}

void TProbleme::ShowElapsedTime() {
  if (solveClock_.isValid()) L14->setText(ElapsedTimeText(solveClock_.elapsed()));
}

void TProbleme::SG1Click() {
  std::string cells[64];
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 8; ++column)
      if (const QTableWidgetItem* cell = SG1->item(row, column))
        cells[row * 8 + column] = cell->text().toStdString();
  links_.Board->SetPosition(GridToPosition(cells));
}

void TProbleme::S11Click() {
  const std::string board = links_.Board->Position();
  for (int i = 0; i < 64; ++i) {
    const char piece =
        i < static_cast<int>(board.size()) ? board[static_cast<std::size_t>(i)] : ' ';
    SG1->item(i / 8, i % 8)->setText(QString(QChar::fromLatin1(BoardLetterToGrid(piece))));
  }
}

void TProbleme::S12Click() {
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 8; ++column) SG1->item(row, column)->setText(QString());
}

void TProbleme::B2C() {
  std::vector<std::string>& lines = *links_.Problems;
  const std::string title = NewProblemTitle(LB2->count(), E1->text().toStdString());
  lines.push_back(title);
  AddTitle(Q(title));
  lines.push_back(std::to_string(StoredMoveCount(E2->text().toStdString())));
  lines.push_back(links_.Board->Position());
  const QString folder = links_.DataFolder ? links_.DataFolder() : QString();
  try {
    std::string note;
    if (!WriteBackProblemCollection(lines, std::filesystem::path(folder.toStdString()), &note))
      ShowBox(this, Q(kNotSavableMessage), QMessageBox::NoIcon);
    else if (!note.empty())
      ShowBox(this, Q(note), QMessageBox::Information);
  } catch (const std::exception& e) {
    ShowErrorBox(Q(ErrorMessage(e)));
  }
}

void TProbleme::ShowErrorBox(const QString& text) {
  ShowBox(this, text, QMessageBox::Critical);
}

}  // namespace tavrel
