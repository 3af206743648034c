#pragma once
// "Probleme üben": the user solves a problem of the collection by playing White's moves on a
// board of its own. Every move is judged by the exact mate prover: a move that still forces
// mate within the moves left is accepted and answered with the longest defence; any other is
// answered with its refutation and can be taken back. Hints come in three steps, the whole
// solution on request. Solved problems are marked in a file of their own.
#include <QString>
#include <QWidget>
#include <atomic>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/problem_solution.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace tavrel {

class AnnouncementLine;
class TChessBrd;

class ProblemTrainer : public QWidget {
  Q_OBJECT

 public:
  // `problems`: the collection, three lines per problem (title, moves, board text).
  // `solvedFile`: where the solved marks are kept.
  ProblemTrainer(std::vector<std::string> problems, QString solvedFile, QWidget* parent = nullptr);
  ~ProblemTrainer() override;

  // Puts problem `index` (0-based, in collection order) on the board.
  void Open(int index);
  // The moves of the trainer's buttons, for the menu and for tests.
  void TakeBack();
  void Restart();
  void Hint();
  // Computes the whole solution in the background and shows it (and with `copy` puts it on the
  // clipboard) when done; the window stays responsive meanwhile.
  void ShowSolution(bool copy = false);
  // The whole solution as the copy button puts it on the clipboard; computed here if need be.
  QString SolutionAsText();

  TChessBrd* Board() const { return board_; }
  QString Message() const;
  bool IsSolved(int index) const;
  int Current() const { return index_; }
  // Entries of the list as filtered now: their problem indices.
  std::vector<int> Listed() const;

 private:
  enum class Phase { None, Play, Busy, Refuted, Solved, Unsolvable };
  struct Problem {
    std::string title;
    int moves = 0;
    std::string board;  // 64 characters
  };

  void BuildWindow();
  void FillList();
  void SetMessage(const QString& text);
  void UpdateButtons();
  void ShowOnBoard(const SolverBoard& board);
  void UserMoved(int from, int to);
  void Judge(int from, int to, char promotion);
  void PlayReply(const SolverMove& reply);
  void MarkSolved();
  void StopSolutionWorker();
  QString SolutionHeader() const;
  int MoveNumber() const { return moves_ - left_ + 1; }

  std::vector<Problem> problems_;
  QString solvedFile_;
  std::set<std::string> solved_;
  bool solvedWritable_ = true;

  // The problem on the board.
  int index_ = -1;
  int moves_ = 0;
  ProblemPosition start_;
  SolverBoard current_;  // White to move, except while a reply is played
  int left_ = 0;         // White moves left
  SolverBoard beforeWrong_;  // where a take-back returns to
  Phase phase_ = Phase::None;
  int hintLevel_ = 0;
  std::atomic<bool> stop_{false};
  std::unique_ptr<MateProver> prover_;
  std::optional<QString> solutionText_;
  std::thread solutionWorker_;
  std::shared_ptr<std::atomic<bool>> solutionStop_;
  bool copyWhenReady_ = false;
  bool replying_ = false;

  QLineEdit* search_ = nullptr;
  QSpinBox* movesFilter_ = nullptr;
  QComboBox* stateFilter_ = nullptr;
  QListWidget* list_ = nullptr;
  TChessBrd* board_ = nullptr;
  QLabel* task_ = nullptr;
  AnnouncementLine* messageLine_ = nullptr;  // says each new message
  QLabel* message_ = nullptr;
  QComboBox* promotion_ = nullptr;
  QPushButton* takeBack_ = nullptr;
  QPushButton* restart_ = nullptr;
  QPushButton* hint_ = nullptr;
  QPushButton* showSolution_ = nullptr;
  QPushButton* copySolution_ = nullptr;
  QPlainTextEdit* solution_ = nullptr;
};

}  // namespace tavrel
