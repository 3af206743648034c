// An external UCI engine as the computer player of a board, through the board's custom-engine
// hook. The engine thinks in its own process while the window goes on; the board asks for a
// move (OnCalculateMove) at every check, gets none until the engine has answered for exactly
// the position on the board, and then plays it through ExecuteMove like every move. A move for
// a position that is no longer on the board is dropped; an engine that dies or sends a move the
// board refuses is left, and the built-in program plays on.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/chessboard.h"

namespace tavrel {

class UciClient;

struct OpponentSettings {
  QString Program;
  QStringList Arguments;
  // Sent after the handshake: the saved ones, then those of the chosen strength step.
  std::vector<std::pair<std::string, std::string>> Options;
  int Elo = 0;               // > 0: UCI_LimitStrength with this UCI_Elo
  int Depth = 0;             // > 0: "go depth"
  long long Nodes = 0;       // > 0: "go nodes"
  int MoveTimeMs = 1000;     // > 0: "go movetime"; 0 beside a depth or node limit
  int RatedElo = 0;          // the Elo the chosen strength stands for; 0: full strength
};

class ExternalOpponent : public QObject {
  Q_OBJECT

 public:
  explicit ExternalOpponent(ChessBoard* board, QObject* parent = nullptr);
  ~ExternalOpponent() override;  // gives the board back to the built-in program

  // Starts and checks the engine (at most 10 s), then takes over the board's computer moves.
  // False with a German reason in Error(); the board is left as it was.
  bool Attach(const OpponentSettings& settings);
  // Stops the engine and gives the board back to the built-in program.
  void Detach();

  bool Attached() const { return client_ != nullptr; }
  QString Error() const { return error_; }
  const OpponentSettings& Settings() const { return settings_; }
  QString Name() const;
  // For the game record: "Stockfish 15.1 (1500 Elo)", or the name alone at full strength.
  QString PlayerName() const;
  int DroppedMoves() const { return dropped_; }  // answers for positions no longer shown

 signals:
  // The engine is gone or misbehaved; the built-in program has taken over. German text.
  void failed(QString message);

 private:
  void CalculateMove(Square& from, Square& to);
  void Lines();
  void Watch();
  void Fail(const QString& message);

  ChessBoard* board_;
  std::unique_ptr<UciClient> client_;
  OpponentSettings settings_;
  QString error_;
  TPromotionEvent savedPromotion_;
  std::string searchFen_;  // the position the running search is for; empty when none
  int staleAnswers_ = 0;   // bestmoves still due for searches given up
  std::string readyFen_;   // the position the ready move belongs to
  Square readyFrom_ = None, readyTo_ = None;
  char readyPromotion_ = 0;
  char promotion_ = 0;  // the piece of the engine move being executed
  int dropped_ = 0;
  int watchTimer_ = 0;
  QElapsedTimer searchClock_;  // since the running search began
  QElapsedTimer stopClock_;    // since the last "stop" still unanswered
  bool overdue_ = false;       // the running search was told to stop: its time is up

 protected:
  void timerEvent(QTimerEvent* event) override;
};

}  // namespace tavrel
