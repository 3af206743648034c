#include "gui/analysis.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStandardPaths>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <cmath>

#include "core/chessboard.h"
#include "core/pgn.h"
#include "core/san.h"
#include "gui/external_opponent.h"

namespace tavrel {

QString EvaluationText(bool whiteToMove, bool mate, int score) {
  const int white = whiteToMove ? score : -score;
  const QString minus = QStringLiteral("\u2212");
  if (mate) return (white < 0 ? minus : QString()) + QStringLiteral("Matt in %1").arg(std::abs(white));
  const int tenths = static_cast<int>(std::lround(std::abs(white) / 10.0));
  const QString number = QStringLiteral("%1,%2").arg(tenths / 10).arg(tenths % 10);
  if (tenths == 0) return number;
  return (white < 0 ? minus : QStringLiteral("+")) + number;
}

std::string GermanSan(std::string san) {
  for (char& c : san) {
    switch (c) {
      case 'Q': c = 'D'; break;
      case 'R': c = 'T'; break;
      case 'B': c = 'L'; break;
      case 'N': c = 'S'; break;
      default: break;
    }
  }
  return san;
}

AnalysisEngine ChooseAnalysisEngine(const OpponentSettings* opponent, const QString& stockfish,
                                    const QString& programFolder) {
  if (opponent) return {opponent->Program, opponent->Arguments};
  if (!stockfish.isEmpty()) return {stockfish, {}};
  return {QDir(programFolder).filePath(QStringLiteral("tavrel-engine")), {}};
}

QString FindStockfish() {
  const QString name = QStringLiteral("stockfish");
  QString path = QStandardPaths::findExecutable(name);
  if (path.isEmpty()) path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/games")});
  return path;
}

EvaluationBar::EvaluationBar(QWidget* parent) : QWidget(parent) {
  setFixedWidth(14);
  setMinimumHeight(120);
}

void EvaluationBar::SetWhiteShare(double share) {
  share_ = std::clamp(share, 0.0, 1.0);
  update();
}

void EvaluationBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int white = static_cast<int>(std::lround(height() * share_));
  p.fillRect(0, 0, width(), height() - white, QColor(40, 40, 40));
  p.fillRect(0, height() - white, width(), white, QColor(245, 245, 240));
  p.setPen(Qt::gray);
  p.drawRect(0, 0, width() - 1, height() - 1);
}

AnalyseFenster::AnalyseFenster(ChessBoard* board, QWidget* parent)
    : QWidget(parent, Qt::Tool), board_(board) {
  setWindowTitle(QStringLiteral("Analyse"));
  setObjectName(QStringLiteral("AnalyseFenster"));
  auto* layout = new QHBoxLayout(this);
  bar_ = new EvaluationBar(this);
  layout->addWidget(bar_);
  auto* texts = new QVBoxLayout;
  score_ = new QLabel(QStringLiteral("…"), this);
  QFont big = score_->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  score_->setFont(big);
  line_ = new QLabel(this);
  line_->setWordWrap(true);
  line_->setMinimumWidth(300);  // room for the title with the engine's name
  texts->addWidget(score_);
  texts->addWidget(line_, 1);
  engine_ = new QLabel(this);
  engine_->setObjectName(QStringLiteral("AnalyseEngine"));
  texts->addWidget(engine_);
  layout->addLayout(texts, 1);
}

AnalyseFenster::~AnalyseFenster() = default;

QString AnalyseFenster::ScoreText() const {
  return score_->text();
}
QString AnalyseFenster::LineText() const {
  return line_->text();
}

QString AnalyseFenster::EngineName() const {
  return client_ ? client_->Name() : QString();
}

bool AnalyseFenster::Start(const AnalysisEngine& engine, QString* error) {
  client_ = std::make_unique<UciClient>();
  if (!client_->Start(engine.Program, engine.Arguments)) {
    *error = QStringLiteral("Die Analyse lässt sich nicht starten: ") + client_->Error();
    client_.reset();
    return false;
  }
  setWindowTitle(QStringLiteral("Analyse – %1").arg(client_->Name()));
  engine_->setText(QStringLiteral("Engine: %1").arg(client_->Name()));
  connect(client_.get(), &UciClient::linesAvailable, this, &AnalyseFenster::Lines);
  connect(client_.get(), &UciClient::exited, this, [this] {
    killTimer(timer_);
    timer_ = 0;
    score_->setText(QStringLiteral("–"));
    line_->setText(QStringLiteral("Die Analyse-Engine hat sich beendet."));
  });
  timer_ = startTimer(250);
  return true;
}

// Follows the board: a new position stops the old search and starts one for it.
void AnalyseFenster::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timer_) return QWidget::timerEvent(event);
  if (!client_ || !client_->Running()) return;
  const std::string fen = FenOfBoard(*board_);
  if (fen == fen_) return;
  if (searching_) {
    client_->Send("stop");
    ++stale_;
  }
  fen_ = fen;
  info_ = {};
  searching_ = false;
  const auto position = ParseFen(fen);
  if (!position || LegalMovesIn(*position).empty()) {
    score_->setText(QStringLiteral("–"));
    line_->setText(QStringLiteral("Die Partie ist zu Ende."));
    return;
  }
  position_ = *position;
  client_->Send("position fen " + fen);
  client_->Send("go infinite");
  searching_ = true;
}

void AnalyseFenster::Lines() {
  while (client_) {
    const auto line = client_->TakeLine();
    if (!line) return;
    if (ParseBestMove(*line)) {
      if (stale_ > 0) --stale_;
      continue;
    }
    if (stale_ > 0) continue;  // still about the position before
    UciInfo info = info_;
    if (!ParseUciInfo(*line, info)) continue;
    if (!info.HasScore || info.Pv.empty()) continue;
    // The line is shown only as far as it is legal: an engine is not trusted blindly.
    std::string text;
    FenPosition p = position_;
    int number = p.FullmoveNumber;
    for (std::size_t i = 0; i < info.Pv.size() && i < 10; ++i) {
      const auto move = ParseUciMove(p, info.Pv[i]);
      if (!move) break;
      if (p.WhiteToMove) text += std::to_string(number) + ". ";
      else if (i == 0) text += std::to_string(number) + "... ";
      text += GermanSan(ToSan(p, *move)) + ' ';
      if (!p.WhiteToMove) ++number;
      p = PositionAfter(p, *move);
    }
    if (text.empty()) continue;
    info_ = info;
    score_->setText(EvaluationText(position_.WhiteToMove, info.Mate, info.Score));
    line_->setText(QString::fromStdString(text).trimmed());
    const int white = position_.WhiteToMove ? info.Score : -info.Score;
    const double share =
        info.Mate ? (white > 0 ? 1.0 : 0.0) : 1.0 / (1.0 + std::pow(10.0, -white / 400.0));
    bar_->SetWhiteShare(share);
  }
}

}  // namespace tavrel
