#include "gui/problem_trainer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "core/placement.h"
#include "core/problem_file.h"
#include "core/solved_problems.h"
#include "gui/board_accessible.h"
#include "gui/tchessbrd.h"

namespace tavrel {
namespace {

constexpr int W = kSolverWhite;
constexpr int B = kSolverBlack;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString MovesWords(int moves) {
  return moves == 1 ? QStringLiteral("1 Zug") : QStringLiteral("%1 Zügen").arg(moves);
}

QString SquareName(int cell) {
  return QStringLiteral("%1%2").arg(QChar('a' + CellFile(cell) - 1)).arg(CellRank(cell));
}

// "der Springer", "die Dame", ...
QString PieceWithArticle(int code) {
  switch (std::abs(code)) {
    case kPawn: return QStringLiteral("der Bauer");
    case kKnight: return QStringLiteral("der Springer");
    case kBishop: return QStringLiteral("der Läufer");
    case kRook: return QStringLiteral("der Turm");
    case kQueen: return QStringLiteral("die Dame");
    default: return QStringLiteral("der König");
  }
}

QString Capitalised(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

}  // namespace

ProblemTrainer::ProblemTrainer(std::vector<std::string> lines, QString solvedFile, QWidget* parent)
    : QWidget(parent, Qt::Window), solvedFile_(std::move(solvedFile)) {
  setObjectName(QStringLiteral("ProblemTrainer"));
  setWindowTitle(QStringLiteral("Probleme üben"));
  for (size_t i = 0; i + 2 < lines.size(); i += 3) {
    Problem p;
    p.title = lines[i];
    p.moves = ParseMoveCountLine(lines[i + 1]).value_or(0);
    p.board = lines[i + 2];
    p.board.resize(64, ' ');
    problems_.push_back(std::move(p));
  }
  const SolvedLoad load = LoadSolved(solvedFile_.toStdString());
  solved_ = load.keys;
  solvedWritable_ = load.writable;
  BuildWindow();
  FillList();
  if (!load.problem.empty()) {
    // Not modal: the trainer stays usable while the note is open.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Probleme üben"),
                                Q(load.problem), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }
  UpdateButtons();
}

ProblemTrainer::~ProblemTrainer() {
  stop_ = true;
  StopSolutionWorker();
}

void ProblemTrainer::StopSolutionWorker() {
  if (solutionStop_) *solutionStop_ = true;
  // The prover ends within milliseconds of the flag.
  if (solutionWorker_.joinable()) solutionWorker_.join();
  solutionStop_.reset();
}

void ProblemTrainer::BuildWindow() {
  auto* left = new QVBoxLayout;
  search_ = new QLineEdit;
  search_->setObjectName(QStringLiteral("Suche"));
  search_->setPlaceholderText(QStringLiteral("Suche (Titel, Komponist)"));
  movesFilter_ = new QSpinBox;
  movesFilter_->setObjectName(QStringLiteral("ZugFilter"));
  movesFilter_->setRange(0, kMaxProblemMoves);
  movesFilter_->setSpecialValueText(QStringLiteral("alle"));
  stateFilter_ = new QComboBox;
  stateFilter_->setObjectName(QStringLiteral("StatusFilter"));
  stateFilter_->addItems({QStringLiteral("alle"), QStringLiteral("ungelöst"), QStringLiteral("gelöst")});
  auto* filters = new QFormLayout;
  filters->addRow(QStringLiteral("Suche:"), search_);
  filters->addRow(QStringLiteral("Matt in:"), movesFilter_);
  filters->addRow(QStringLiteral("Zeigen:"), stateFilter_);
  left->addLayout(filters);
  list_ = new QListWidget;
  list_->setObjectName(QStringLiteral("ProblemListe"));
  list_->setMinimumWidth(260);
  list_->setAccessibleName(QStringLiteral("Probleme"));
  stateFilter_->setAccessibleName(QStringLiteral("Zeigen"));
  left->addWidget(list_, 1);

  board_ = new TChessBrd;
  board_->setObjectName(QStringLiteral("TrainerBrett"));
  board_->SetAnimateMoves(true);
  board_->SetAnimationDelay(0);
  board_->SetBoardLines(true);
  board_->SetComputerPlaysWhite(false);
  board_->SetComputerPlaysBlack(false);
  board_->SetDisplayCoords(West | South);
  board_->SetSizeOfBorder(18);
  board_->SetSizeOfSquare(52);
  board_->SetSquareLight(QImage(QStringLiteral(":/board/square_light.png")));
  board_->SetSquareDark(QImage(QStringLiteral(":/board/square_dark.png")));
  board_->OnDragOver = [this](ChessBoard*, ChessBoard*, int, int, bool& accept) {
    accept = phase_ == Phase::Play;
  };
  board_->OnLegalMove = [this](ChessBoard*, Square from, Square to) {
    if (replying_ || phase_ != Phase::Play) return;
    phase_ = Phase::Busy;
    // Judged once the board has finished the move (promotion, castling rook).
    QTimer::singleShot(0, this, [this, from, to] { UserMoved(from, to); });
  };

  auto* right = new QVBoxLayout;
  task_ = new QLabel;
  task_->setObjectName(QStringLiteral("Aufgabe"));
  task_->setWordWrap(true);
  QFont bold = task_->font();
  bold.setBold(true);
  task_->setFont(bold);
  messageLine_ = new AnnouncementLine(nullptr);
  messageLine_->setAccessibleName(QStringLiteral("Meldung"));
  message_ = messageLine_->Label();
  message_->setObjectName(QStringLiteral("Meldung"));
  message_->setWordWrap(true);
  message_->setMinimumWidth(280);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  promotion_ = new QComboBox;
  promotion_->setObjectName(QStringLiteral("Umwandlung"));
  promotion_->setAccessibleName(QStringLiteral("Umwandlung in"));
  promotion_->addItems({QStringLiteral("Dame"), QStringLiteral("Turm"), QStringLiteral("Läufer"),
                        QStringLiteral("Springer")});
  auto* promotionRow = new QFormLayout;
  promotionRow->addRow(QStringLiteral("Umwandlung in:"), promotion_);
  auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  takeBack_ = button("Zuruecknehmen", QStringLiteral("Zug zurücknehmen"));
  restart_ = button("NeuBeginnen", QStringLiteral("Neu beginnen"));
  hint_ = button("Hinweis", QStringLiteral("Hinweis"));
  showSolution_ = button("LoesungZeigen", QStringLiteral("Lösung zeigen"));
  copySolution_ = button("LoesungKopieren", QStringLiteral("Lösung kopieren"));
  solution_ = new QPlainTextEdit;
  solution_->setObjectName(QStringLiteral("LoesungText"));
  solution_->setReadOnly(true);
  solution_->setAccessibleName(QStringLiteral("Lösung"));
  right->addWidget(task_);
  right->addWidget(messageLine_);
  right->addLayout(promotionRow);
  for (QPushButton* b : {takeBack_, restart_, hint_, showSolution_, copySolution_}) right->addWidget(b);
  right->addWidget(solution_, 1);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addWidget(board_, 0, Qt::AlignTop);
  layout->addLayout(right, 1);

  connect(search_, &QLineEdit::textChanged, this, [this] { FillList(); });
  connect(movesFilter_, &QSpinBox::valueChanged, this, [this] { FillList(); });
  connect(stateFilter_, &QComboBox::currentIndexChanged, this, [this] { FillList(); });
  connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) Open(item->data(Qt::UserRole).toInt());
  });
  // The board promotes the dragged pawn to the piece chosen here, and the judge assumes it.
  board_->SetPromotionPiece('Q');
  connect(promotion_, &QComboBox::currentIndexChanged, this, [this](int index) {
    board_->SetPromotionPiece("QRBN"[std::clamp(index, 0, 3)]);
  });
  connect(takeBack_, &QPushButton::clicked, this, &ProblemTrainer::TakeBack);
  connect(restart_, &QPushButton::clicked, this, &ProblemTrainer::Restart);
  connect(hint_, &QPushButton::clicked, this, &ProblemTrainer::Hint);
  connect(showSolution_, &QPushButton::clicked, this, [this] { ShowSolution(false); });
  connect(copySolution_, &QPushButton::clicked, this, [this] { ShowSolution(true); });
}

bool ProblemTrainer::IsSolved(int index) const {
  if (index < 0 || index >= static_cast<int>(problems_.size())) return false;
  const Problem& p = problems_[static_cast<size_t>(index)];
  return solved_.count(SolvedKey(p.moves, p.board)) > 0;
}

std::vector<int> ProblemTrainer::Listed() const {
  std::vector<int> out;
  for (int row = 0; row < list_->count(); ++row)
    out.push_back(list_->item(row)->data(Qt::UserRole).toInt());
  return out;
}

void ProblemTrainer::FillList() {
  const QSignalBlocker blocker(list_);
  list_->clear();
  const QString needle = search_->text().trimmed();
  for (size_t i = 0; i < problems_.size(); ++i) {
    const Problem& p = problems_[i];
    const int index = static_cast<int>(i);
    const bool solved = IsSolved(index);
    if (movesFilter_->value() != 0 && p.moves != movesFilter_->value()) continue;
    if (stateFilter_->currentIndex() == 1 && solved) continue;
    if (stateFilter_->currentIndex() == 2 && !solved) continue;
    const QString title = Q(p.title);
    if (!needle.isEmpty() && !title.contains(needle, Qt::CaseInsensitive)) continue;
    auto* item = new QListWidgetItem(
        QStringLiteral("%1%2  (#%3)").arg(solved ? QStringLiteral("✓ ") : QStringLiteral("    "),
                                           title).arg(p.moves));
    item->setData(Qt::UserRole, index);
    list_->addItem(item);
    if (index == index_) list_->setCurrentItem(item);
  }
}

QString ProblemTrainer::Message() const {
  return message_->text();
}

void ProblemTrainer::SetMessage(const QString& text) {
  if (text.isEmpty())
    message_->clear();
  else
    messageLine_->Say(text);
}

void ProblemTrainer::UpdateButtons() {
  const bool open = index_ >= 0;
  takeBack_->setEnabled(phase_ == Phase::Refuted);
  restart_->setEnabled(open);
  hint_->setEnabled(phase_ == Phase::Play);
  showSolution_->setEnabled(open && phase_ != Phase::Unsolvable);
  copySolution_->setEnabled(open && phase_ != Phase::Unsolvable);
}

void ProblemTrainer::ShowOnBoard(const SolverBoard& board) {
  const FenPosition fen = ToFenPosition(board, W);
  board_->StartFromPosition(fen.Board, true, fen.Castling, fen.EnPassant);
}

void ProblemTrainer::Open(int index) {
  if (index < 0 || index >= static_cast<int>(problems_.size())) return;
  index_ = index;
  const Problem& p = problems_[static_cast<size_t>(index)];
  moves_ = p.moves;
  left_ = p.moves;
  hintLevel_ = 0;
  StopSolutionWorker();
  solutionText_.reset();
  copyWhenReady_ = false;
  solution_->clear();
  task_->setText(QStringLiteral("%1\nWeiß zieht und setzt in %2 matt.").arg(Q(p.title), MovesWords(p.moves)));
  // Castling as far as king and rook stand at home, as the problem panel reads a position.
  std::string placement = BoardTextToPlacement(p.board);
  placement.pop_back();
  std::string why;
  const std::optional<ProblemPosition> problem =
      ReadProblemFen(placement + " w KQkq - 0 1", &why);
  if (!problem || moves_ < 1 || moves_ > kMaxProblemMoves) {
    phase_ = Phase::Unsolvable;
    board_->StartFromPosition(p.board, true, 0, None);
    SetMessage(problem ? QStringLiteral("Die Zugzahl %1 ist ungültig.").arg(moves_) : Q(why));
    UpdateButtons();
    return;
  }
  start_ = *problem;
  current_ = start_.board;
  prover_ = std::make_unique<MateProver>(W, stop_);
  ShowOnBoard(current_);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int shortest = ShortestMate(*prover_, current_, moves_);
  int longer = 0;
  const int limit = std::min(moves_ + 2, 6);  // how much longer is quick to prove
  for (int k = moves_ + 1; shortest == 0 && k <= limit && longer == 0; ++k)
    if (prover_->AttackerMates(current_, k)) longer = k;
  QApplication::restoreOverrideCursor();
  if (shortest == 0) {
    phase_ = Phase::Unsolvable;
    QString text = QStringLiteral("Dieses Problem hat kein Matt in %1").arg(MovesWords(moves_));
    if (longer)
      text += QStringLiteral("; das kürzeste Matt: Matt in %1.").arg(MovesWords(longer));
    else if (limit > moves_)
      text += QStringLiteral(": kein Matt, auch nicht in %1.").arg(MovesWords(limit));
    else
      text += QStringLiteral(": kein Matt.");
    SetMessage(text);
  } else {
    phase_ = Phase::Play;
    SetMessage(QStringLiteral("Weiß am Zug. Ziehen Sie eine weiße Figur."));
  }
  UpdateButtons();
}

void ProblemTrainer::UserMoved(int from, int to) {
  static constexpr char kLetters[] = "qrbn";
  const int choice = std::clamp(promotion_->currentIndex(), 0, 3);
  Judge(from, to, kLetters[choice]);
  UpdateButtons();
}

void ProblemTrainer::Judge(int from, int to, char promotion) {
  const std::vector<SolverMove> legal = LegalSolverMoves(current_, W);
  const std::optional<SolverMove> move =
      FindMove(legal, SquareToCell(from), SquareToCell(to), promotion);
  if (!move) {
    ShowOnBoard(current_);
    phase_ = Phase::Play;
    SetMessage(QStringLiteral("Dieser Zug ist hier nicht möglich."));
    return;
  }
  const SolverBoard next = After(current_, *move, W);
  const QString moveText = Q(GermanLine(current_, W, W, MoveNumber(), {*move}));
  hintLevel_ = 0;
  if (prover_->DefenderLoses(next, 0)) {
    current_ = next;
    phase_ = Phase::Solved;
    SetMessage(QStringLiteral("Gelöst! %1%2").arg(moveText, left_ > 1 ? QStringLiteral(
                                                      " – sogar schneller als verlangt. Stark!")
                                                                       : QString()));
    MarkSolved();
    return;
  }
  if (left_ > 1 && prover_->DefenderLoses(next, left_ - 1)) {
    const int needed = ShortestLoss(*prover_, next, left_ - 1);
    const std::vector<Defence> defences = OrderedDefences(*prover_, next, needed);
    const SolverMove reply = defences.front().move;
    const QString replyText = Q(GermanLine(next, B, W, MoveNumber(), {reply}));
    QString praise;
    if (needed + 1 < left_)
      praise = QStringLiteral(" Stark: so geht es sogar in %1!").arg(MovesWords(needed + 1));
    current_ = After(next, reply, B);
    --left_;
    PlayReply(reply);
    phase_ = Phase::Play;
    SetMessage(QStringLiteral("Richtig: %1!%2 Schwarz verteidigt sich mit %3. Weiß am Zug, "
                              "noch %4.")
                   .arg(moveText, praise, replyText, MovesWords(left_)));
    return;
  }
  beforeWrong_ = current_;
  phase_ = Phase::Refuted;
  const SolverMove refutation = Refutation(*prover_, next, left_ - 1);
  if (refutation.kind == 0) {
    board_->StartFromPosition(ToFenPosition(next, B).Board, false, 0, None);
    SetMessage(QStringLiteral("Falsch: %1? Patt – kein Matt. Nehmen Sie den Zug zurück.")
                   .arg(moveText));
    return;
  }
  const QString refutationText = Q(GermanLine(next, B, W, MoveNumber(), {refutation}));
  current_ = After(next, refutation, B);
  PlayReply(refutation);
  SetMessage(QStringLiteral("Falsch: %1? Widerlegung: %2! Nehmen Sie den Zug zurück.")
                 .arg(moveText, refutationText));
}

void ProblemTrainer::PlayReply(const SolverMove& reply) {
  const SolverSquareMove squares = ToSquareMove(reply);
  const char before = board_->PromotionPiece();
  if (squares.promotion) board_->SetPromotionPiece(squares.promotion);
  replying_ = true;
  const bool played = board_->ExecuteMove(squares.fromSquare, squares.toSquare);
  replying_ = false;
  board_->SetPromotionPiece(before);
  // The board's own game rules (a draw by material, say) must not keep the reply off it.
  if (!played || board_->Position() != ToFenPosition(current_, W).Board) ShowOnBoard(current_);
}

void ProblemTrainer::TakeBack() {
  if (phase_ != Phase::Refuted) return;
  current_ = beforeWrong_;
  ShowOnBoard(current_);
  phase_ = Phase::Play;
  SetMessage(QStringLiteral("Zurückgenommen. Weiß am Zug, noch %1.").arg(MovesWords(left_)));
  UpdateButtons();
}

void ProblemTrainer::Restart() {
  if (index_ >= 0) Open(index_);
}

void ProblemTrainer::Hint() {
  if (phase_ != Phase::Play) return;
  const int shortest = ShortestMate(*prover_, current_, left_);
  const std::vector<SolverMove> line = MatingLine(*prover_, current_, shortest);
  if (line.empty()) return;
  const SolverMove first = line.front();
  const QString piece = PieceWithArticle(current_.cells[first.from]);
  hintLevel_ = std::min(hintLevel_ + 1, 3);
  if (hintLevel_ == 1) {
    SetMessage(QStringLiteral("Hinweis: Es zieht %1 auf %2.").arg(piece, SquareName(first.from)));
  } else if (hintLevel_ == 2) {
    SetMessage(QStringLiteral("Hinweis: %1 auf %2 zieht nach %3.")
                   .arg(Capitalised(piece), SquareName(first.from), SquareName(first.to)));
  } else {
    SetMessage(QStringLiteral("Lösungsweg: %1").arg(Q(GermanLine(current_, W, W, MoveNumber(), line))));
  }
}

QString ProblemTrainer::SolutionHeader() const {
  const Problem& p = problems_[static_cast<size_t>(index_)];
  std::string placement = BoardTextToPlacement(p.board);
  placement.pop_back();
  return QStringLiteral("%1\n%2 w - - 0 1\nWeiß zieht und setzt in %3 matt.\n\n")
      .arg(Q(p.title), Q(placement), MovesWords(moves_));
}

QString ProblemTrainer::SolutionAsText() {
  if (index_ < 0 || phase_ == Phase::Unsolvable) return {};
  if (!solutionText_) {
    StopSolutionWorker();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ProblemSolution solution = SolveProblem(start_, moves_, stop_);
    QApplication::restoreOverrideCursor();
    solutionText_ = SolutionHeader() + Q(SolutionText(start_, solution));
  }
  return *solutionText_;
}

void ProblemTrainer::ShowSolution(bool copy) {
  if (index_ < 0 || phase_ == Phase::Unsolvable) return;
  copyWhenReady_ = copyWhenReady_ || copy;
  auto deliver = [this](const QString& text) {
    solution_->setPlainText(text);
    if (copyWhenReady_) {
      QApplication::clipboard()->setText(text);
      SetMessage(Message() + QStringLiteral("\nDie Lösung ist in der Zwischenablage."));
    }
    copyWhenReady_ = false;
  };
  if (solutionText_) return deliver(*solutionText_);
  if (solutionStop_) return;  // already being computed
  solution_->setPlainText(QStringLiteral("Die Lösung wird berechnet …"));
  solutionStop_ = std::make_shared<std::atomic<bool>>(false);
  // The worker has copies of everything it reads and its own prover.
  solutionWorker_ = std::thread([this, deliver, stop = solutionStop_, problem = start_,
                                 moves = moves_, header = SolutionHeader(), index = index_] {
    const ProblemSolution solution = SolveProblem(problem, moves, *stop);
    if (solution.stopped) return;
    const QString text = header + Q(SolutionText(problem, solution));
    QMetaObject::invokeMethod(this, [this, deliver, text, index] {
      if (index != index_ || solutionText_) return;
      solutionText_ = text;
      deliver(text);
    }, Qt::QueuedConnection);
  });
}

void ProblemTrainer::MarkSolved() {
  const Problem& p = problems_[static_cast<size_t>(index_)];
  solved_.insert(SolvedKey(p.moves, p.board));
  FillList();
  ShowSolution();
  if (!solvedWritable_) return;
  try {
    SaveSolved(solvedFile_.toStdString(), solved_);
  } catch (const std::exception& e) {
    SetMessage(Message() + QStringLiteral("\nDie Markierung „gelöst“ konnte nicht gespeichert "
                                          "werden: ") + Q(e.what()));
  }
}

}  // namespace tavrel
