// Extras → "Analyse": a UCI engine looks at the position shown on the board (also while the
// record is replayed) and reports the evaluation from White's view and its best line in German
// notation, live, with a small evaluation bar in a window of its own. The window's title names
// the engine.
#pragma once

#include <QString>
#include <QWidget>

#include <QStringList>

#include <memory>
#include <string>

#include "core/fen.h"
#include "gui/uci_client.h"

class QLabel;

namespace tavrel {

class ChessBoard;
struct OpponentSettings;

struct AnalysisEngine {
  QString Program;
  QStringList Arguments;
};
// The external engine in use as the opponent, if any; else Stockfish (stockfish: its path,
// empty when it is not installed); else the built-in tavrel-engine in programFolder.
AnalysisEngine ChooseAnalysisEngine(const OpponentSettings* opponent, const QString& stockfish,
                                    const QString& programFolder);
// Where stockfish is: on PATH or in /usr/games; empty when it is not installed.
QString FindStockfish();

// "+1,3", "−0,4", "0,0", "Matt in 3" (White mates), "−Matt in 3" (Black mates); score and mate
// as UCI gives them, from the side to move's view.
QString EvaluationText(bool whiteToMove, bool mate, int score);
// A SAN text with German piece letters: "Sf3", "exd8=D+", "O-O".
std::string GermanSan(std::string san);

class EvaluationBar : public QWidget {
 public:
  explicit EvaluationBar(QWidget* parent = nullptr);
  void SetWhiteShare(double share);  // 0 .. 1
  double WhiteShare() const { return share_; }
  QSize sizeHint() const override { return {14, 160}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  double share_ = 0.5;
};

class AnalyseFenster : public QWidget {
  Q_OBJECT

 public:
  AnalyseFenster(ChessBoard* board, QWidget* parent);
  ~AnalyseFenster() override;
  // Starts the engine; false with a German reason.
  bool Start(const AnalysisEngine& engine, QString* error);
  QString EngineName() const;
  QString ScoreText() const;
  QString LineText() const;

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  void Lines();

  ChessBoard* board_;
  std::unique_ptr<UciClient> client_;
  std::string fen_;  // the position being analysed
  FenPosition position_;
  bool searching_ = false;
  int stale_ = 0;  // bestmoves due for searches given up
  UciInfo info_;
  EvaluationBar* bar_;
  QLabel* score_;
  QLabel* line_;
  QLabel* engine_;
  int timer_ = 0;
};

}  // namespace tavrel
