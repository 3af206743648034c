#include "gui/external_opponent.h"

#include <QTimer>
#include <QTimerEvent>

#include "core/engine_strength.h"
#include "core/fen.h"
#include "core/pgn.h"
#include "core/san.h"
#include "gui/uci_client.h"

namespace tavrel {
namespace {

constexpr int kWatchMs = 200;
constexpr int kStopGraceMs = 5000;  // an engine that does not end a search after "stop"
constexpr int kNoTimeMs = 60000;    // told to stop when a depth or node limit takes this long

QString Quoted(const QString& text) {
  return QStringLiteral("„%1“").arg(text);
}

}  // namespace

ExternalOpponent::ExternalOpponent(ChessBoard* board, QObject* parent)
    : QObject(parent), board_(board) {
  if (auto* object = dynamic_cast<QObject*>(board))
    connect(object, &QObject::destroyed, this, [this] {
      board_ = nullptr;
      client_.reset();
    });
}

ExternalOpponent::~ExternalOpponent() {
  Detach();
}

QString ExternalOpponent::Name() const {
  return client_ ? client_->Name() : QString();
}

QString ExternalOpponent::PlayerName() const {
  if (settings_.RatedElo <= 0) return Name();
  return QStringLiteral("%1 (%2 Elo)").arg(Name()).arg(settings_.RatedElo);
}

bool ExternalOpponent::Attach(const OpponentSettings& settings) {
  Detach();
  if (!board_) return false;
  auto client = std::make_unique<UciClient>();
  if (!client->Start(settings.Program, settings.Arguments)) {
    error_ = client->Error();
    return false;
  }
  for (const auto& [name, value] : settings.Options) client->SetOption(name, value);
  if (settings.Elo > 0) {
    client->SetOption("UCI_LimitStrength", "true");
    client->SetOption("UCI_Elo", std::to_string(settings.Elo));
  }
  client->Send("ucinewgame");
  if (!client->Sync(UciClient::kHandshakeMs)) {
    error_ = QStringLiteral("%1 meldet sich nach den Einstellungen nicht mit „readyok“.")
                 .arg(Quoted(client->Name()));
    return false;
  }
  settings_ = settings;
  client_ = std::move(client);
  connect(client_.get(), &UciClient::linesAvailable, this, &ExternalOpponent::Lines);
  connect(client_.get(), &UciClient::exited, this, [this] {
    Fail(QStringLiteral("Die Engine %1 hat sich beendet.").arg(Quoted(Name())));
  });

  savedPromotion_ = board_->OnPromotion;
  board_->OnPromotion = [this](ChessBoard* b, Square from, Square to, char& piece) {
    if (promotion_) piece = promotion_;
    else if (savedPromotion_) savedPromotion_(b, from, to, piece);
  };
  board_->OnCalculateMove = [this](ChessBoard*, Square& from, Square& to) {
    CalculateMove(from, to);
  };
  board_->OnCalculationFailed = [this](ChessBoard*, Square from, Square to) {
    promotion_ = 0;
    // None, None: no answer yet. Anything else is a move the board refused.
    if (from != None || to != None)
      Fail(QStringLiteral("Die Engine %1 hat einen unzulässigen Zug gespielt.").arg(Quoted(Name())));
  };
  board_->StopThinking();  // parks the built-in engine before the hook takes over
  board_->SetCustomEngine(true);
  watchTimer_ = startTimer(kWatchMs);
  board_->ResumeCustomEngine();
  return true;
}

void ExternalOpponent::Detach() {
  if (!client_) return;
  if (watchTimer_) killTimer(watchTimer_);
  watchTimer_ = 0;
  UciClient* client = client_.release();
  client->disconnect(this);
  // This may run inside one of the client's own signals: it goes once they have returned.
  client->Quit();
  client->deleteLater();
  searchFen_.clear();
  readyFen_.clear();
  staleAnswers_ = 0;
  overdue_ = false;
  promotion_ = 0;
  if (!board_) return;
  board_->OnCalculateMove = nullptr;
  board_->OnCalculationFailed = nullptr;
  board_->OnPromotion = savedPromotion_;
  board_->SetCustomEngine(false);
}

void ExternalOpponent::CalculateMove(Square& from, Square& to) {
  promotion_ = 0;
  const std::string fen = FenOfBoard(*board_);
  if (!readyFen_.empty() && readyFen_ == fen) {
    from = readyFrom_;
    to = readyTo_;
    promotion_ = readyPromotion_;
    readyFen_.clear();
    return;
  }
  if (searchFen_ == fen) return;  // still thinking about this position
  if (!searchFen_.empty()) {
    client_->Send("stop");
    ++staleAnswers_;
    stopClock_.start();
  }
  readyFen_.clear();
  overdue_ = false;
  searchFen_ = fen;
  searchClock_.start();
  client_->Send("position fen " + fen);
  EngineSettings limits;
  limits.Depth = settings_.Depth;
  limits.Nodes = settings_.Nodes;
  limits.MoveTimeMs = settings_.MoveTimeMs;
  client_->Send(GoCommand(limits, 1000));
}

void ExternalOpponent::Lines() {
  while (client_) {
    const auto line = client_->TakeLine();
    if (!line) return;
    const auto best = ParseBestMove(*line);
    if (!best) continue;
    if (staleAnswers_ > 0) {
      --staleAnswers_;
      ++dropped_;
      continue;
    }
    const std::string fen = std::move(searchFen_);
    searchFen_.clear();
    overdue_ = false;
    if (fen.empty() || !board_ || FenOfBoard(*board_) != fen) {
      ++dropped_;  // the board has moved on
      continue;
    }
    const auto position = ParseFen(fen);
    const auto move = position ? ParseUciMove(*position, *best) : std::nullopt;
    if (!move) {
      Fail(QStringLiteral("Die Engine %1 hat den unzulässigen Zug %2 gesandt.")
               .arg(Quoted(Name()), Quoted(QString::fromStdString(Excerpt(*best)))));
      return;
    }
    readyFen_ = fen;
    readyFrom_ = move->From;
    readyTo_ = move->To;
    readyPromotion_ = move->Promotion;
    // Played from the event loop, not from inside the engine's signal: the move's events may
    // open message boxes.
    QTimer::singleShot(0, this, [this] {
      if (board_ && client_) board_->StartThinking();
    });
  }
}

void ExternalOpponent::timerEvent(QTimerEvent* event) {
  if (event->timerId() != watchTimer_) return QObject::timerEvent(event);
  Watch();
}

// Stops a search whose position has gone (take-back, new game, loading, "Abbruch" ...) and
// gives up an engine that no longer answers.
void ExternalOpponent::Watch() {
  if (!client_ || !board_) return;
  if (!searchFen_.empty()) {
    if (board_->EngineHalted() || !board_->ComputerToMove() || FenOfBoard(*board_) != searchFen_) {
      client_->Send("stop");
      ++staleAnswers_;
      stopClock_.start();
      searchFen_.clear();
    } else if (const int due = settings_.MoveTimeMs > 0 ? settings_.MoveTimeMs : kNoTimeMs;
               !overdue_ && searchClock_.elapsed() > due + kStopGraceMs) {
      client_->Send("stop");  // its move still counts
      overdue_ = true;
      stopClock_.start();
    }
  }
  if ((staleAnswers_ > 0 || overdue_) && stopClock_.isValid() && stopClock_.elapsed() > kStopGraceMs)
    Fail(QStringLiteral("Die Engine %1 antwortet nicht mehr.").arg(Quoted(Name())));
}

void ExternalOpponent::Fail(const QString& message) {
  if (!client_) return;
  Detach();
  if (board_) board_->StartThinking();  // the built-in program takes the computer's moves
  emit failed(message);
}

}  // namespace tavrel
