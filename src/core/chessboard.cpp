#include "core/chessboard.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "core/rules.h"

namespace tavrel {
namespace {

constexpr std::string_view kInitialArray =
    "_rnbqkbnrpppppppp                                PPPPPPPPRNBQKBNR";
static_assert(kInitialArray.size() == 65);

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == y;
         });
}

bool EntriesEqual(const MoveEntry& a, const MoveEntry& b) {
  std::string_view ta = a.PositionText(), tb = b.PositionText();
  // The length byte counts too, also where it claims more than the 80 bytes that exist.
  return a.PositionLength == b.PositionLength && ta == tb;
}

void AppendSquare(std::string& line, int sq) {
  if (!IsBoardSquare(sq)) {
    line += "??";
    return;
  }
  line += static_cast<char>('a' + FileOf(sq) - 1);
  line += static_cast<char>('0' + RankOf(sq));
}

}  // namespace

ChessBoard::ChessBoard() : record_(std::make_unique<GameRecord>()) {
  std::memset(record_.get(), 0, sizeof(GameRecord));
  uiThread_ = std::this_thread::get_id();
  std::memcpy(squares_, kInitialArray.data(), 65);
  squares_[65] = '\0';
  ResetGame();
  CreateEngineThread();
}

// ---------------------------------------------------------------- position

std::string ChessBoard::Position() const {
  return std::string(squares_ + 1);
}

void ChessBoard::LoadBoardText(std::string_view text) {
  std::memset(squares_, ' ', 65);
  squares_[65] = '\0';
  size_t n = std::min<size_t>(text.size(), 64);
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\0') break;
    if (IsBoardChar(c)) squares_[i + 1] = c;
  }
}

void ChessBoard::SetPosition(std::string_view value) {
  StopThinking();
  LoadBoardText(value);
  if (EqualsIgnoringCase(value, "init") || EqualsIgnoringCase(value, "newgame")) {
    std::memcpy(squares_, kInitialArray.data(), 65);
  }
  Repaint();
}

void ChessBoard::SetWhiteToMove(bool value) {
  StopThinking();
  whiteToMove_ = value;
}

void ChessBoard::SetEnPassant(Square value) {
  if (!((value >= A6 && value <= H6) || (value >= A3 && value <= H3))) return;
  StopThinking();
  enPassant_ = value;
}

int ChessBoard::PieceColor(int square) const {
  if (!IsBoardSquare(square)) return -1;
  return PieceColorOf(squares_[square]);
}

void ChessBoard::SetPromotionPiece(char piece) {
  switch (std::toupper(static_cast<unsigned char>(piece))) {
    case 'N':
    case 'B':
    case 'R':
    case 'Q':
      promotionPiece_ = piece;
      break;
    default:
      break;
  }
}

const MoveEntry& ChessBoard::Entry(int move, int slot) const {
  if (move < 0 || move > kMaxMoveNumber || slot < 0 || slot >= kSlotsPerMove)
    throw std::out_of_range("game record entry out of range");
  return record_->Entries[move][slot];
}

bool ChessBoard::RecordFull() const {
  return currentMove_ >= kMaxMoveNumber && !whiteToMove_;
}

// ---------------------------------------------------------------- rules

bool ChessBoard::PawnMoveValid(int o, int n) const {
  return IsBoardSquare(o) && IsBoardSquare(n) && rules::PawnMoveValid(squares_, o, n, enPassant_);
}
bool ChessBoard::KnightMoveValid(int o, int n) const {
  return IsBoardSquare(o) && IsBoardSquare(n) && rules::KnightMoveValid(o, n);
}
bool ChessBoard::BishopMoveValid(int o, int n) const {
  return IsBoardSquare(o) && IsBoardSquare(n) && rules::BishopMoveValid(squares_, o, n);
}
bool ChessBoard::RookMoveValid(int o, int n) const {
  return IsBoardSquare(o) && IsBoardSquare(n) && rules::RookMoveValid(squares_, o, n);
}
bool ChessBoard::QueenMoveValid(int o, int n) const {
  return IsBoardSquare(o) && IsBoardSquare(n) && rules::QueenMoveValid(squares_, o, n);
}
bool ChessBoard::KingMoveValid(int o, int n) const {
  return IsBoardSquare(o) && IsBoardSquare(n) && rules::KingMoveValid(squares_, o, n, castling_);
}

bool ChessBoard::KingInCheckAfter(int oldSq, int newSq, bool whiteKing) const {
  if (!IsBoardSquare(oldSq) || !IsBoardSquare(newSq) || oldSq == newSq)
    return rules::KingAttacked(squares_, whiteKing);
  rules::Board copy;
  std::memcpy(copy, squares_, sizeof(copy));
  rules::ApplyMove(copy, oldSq, newSq, enPassant_, promotionPiece_);
  return rules::KingAttacked(copy, whiteKing);
}

bool ChessBoard::WhiteKingInCheckAfter(int oldSq, int newSq) const {
  return KingInCheckAfter(oldSq, newSq, true);
}
bool ChessBoard::BlackKingInCheckAfter(int oldSq, int newSq) const {
  return KingInCheckAfter(oldSq, newSq, false);
}

bool ChessBoard::LegalIgnoringRepetition(int oldSq, int newSq) const {
  if (!IsBoardSquare(oldSq) || !IsBoardSquare(newSq)) return false;
  const int mover = whiteToMove_ ? 1 : 0;
  if (PieceColorOf(squares_[oldSq]) != mover) return false;
  if (PieceColorOf(squares_[newSq]) == mover) return false;
  if (!rules::GeometryValid(squares_, oldSq, newSq, castling_, enPassant_)) return false;
  return !KingInCheckAfter(oldSq, newSq, whiteToMove_);
}

bool ChessBoard::IsLegalMove(int oldSq, int newSq) const {
  if (!IsBoardSquare(oldSq) || !IsBoardSquare(newSq)) return false;
  if (IsThreefoldRepetition()) return false;
  return LegalIgnoringRepetition(oldSq, newSq);
}

bool ChessBoard::HasLegalMoveIgnoringRepetition() const {
  const int mover = whiteToMove_ ? 1 : 0;
  for (int o = 1; o <= 64; ++o) {
    if (PieceColorOf(squares_[o]) != mover) continue;
    for (int n = 1; n <= 64; ++n)
      if (LegalIgnoringRepetition(o, n)) return true;
  }
  return false;
}

// The repetition test does not depend on the move, so it runs once, not per candidate pair.
bool ChessBoard::HasLegalMove() const {
  return !IsThreefoldRepetition() && HasLegalMoveIgnoringRepetition();
}

bool ChessBoard::IsThreefoldRepetition() const {
  const int n = currentMove_, s = whiteToMove_ ? 0 : 1;
  if (n < 1 || n > kMaxMoveNumber) return false;
  const MoveEntry& current = record_->Entries[n][s];
  int equal = 0;
  for (int m = n, slot = s - 1; m >= 1; --m, slot = 1) {
    for (; slot >= 0; --slot) {
      if (EntriesEqual(record_->Entries[m][slot], current) && ++equal >= 2) return true;
    }
  }
  return false;
}

bool ChessBoard::NoMatingMaterial() const {
  return rules::InsufficientMaterial(squares_);
}

// ---------------------------------------------------------------- execution

void ChessBoard::WriteEntryPosition(MoveEntry& e) const {
  e.PositionLength = 64;
  std::memset(e.Position, 0, sizeof(e.Position));
  std::memcpy(e.Position, squares_ + 1, 64);
  e.CastlingRights = castling_;
  e.EnPassant = enPassant_;
}

bool ChessBoard::ExecuteMove(int oldSqArg, int newSqArg) {
  gameEnded_ = false;
  if (!IsLegalMove(oldSqArg, newSqArg)) return false;
  if (RecordFull()) {
    gameEnded_ = true;
    if (OnRecordFull) OnRecordFull(this);
    return false;
  }
  const Square oldSq = static_cast<Square>(oldSqArg), newSq = static_cast<Square>(newSqArg);
  const int n = currentMove_, slot = whiteToMove_ ? 0 : 1;
  // The whole effect is known before anything moves; it is applied in steps below so that each
  // event sees the board as far as the move has got.
  const rules::MoveEffect fx = rules::EffectOf(squares_, oldSq, newSq, castling_, enPassant_);

  // Check on the complete resulting position; redone below once the promotion handler has
  // had its say about the piece.
  bool check = WhiteKingInCheckAfter(oldSq, newSq) || BlackKingInCheckAfter(oldSq, newSq);

  MoveEntry& entry = record_->Entries[n][slot];
  WriteEntryPosition(entry);
  entry.MovedPiece = squares_[oldSq];
  entry.TargetContent = squares_[newSq];
  entry.Check = check ? 1 : 0;
  entry.From = oldSq;
  entry.To = newSq;
  if (n == 1 && slot == 0) firstEntryValid_ = true;

  DrawSquare(oldSq);
  if (animateMoves_ && !IsDraggedMove(oldSq, newSq)) {
    DrawMarks();
    AnimateMove(oldSq, newSq);
  }

  const char captured = fx.Captured;
  squares_[newSq] = squares_[oldSq];
  squares_[oldSq] = ' ';
  DrawSquare(newSq);
  DrawPiece(newSq, squares_[newSq]);
  DrawMarks();

  if (!whiteToMove_) currentMove_ = n + 1;
  whiteToMove_ = !whiteToMove_;
  lastMoveNumber_ = currentMove_;
  whiteToMoveAtEnd_ = whiteToMove_;

  if (OnLegalMove) OnLegalMove(this, oldSq, newSq);
  if (captured != ' ' && OnCapture) OnCapture(this, oldSq, newSq, captured);

  if (fx.Promotes) {
    const char before = promotionPiece_;
    if (OnPromotion) OnPromotion(this, oldSq, newSq, promotionPiece_);
    // A handler may only choose a piece a pawn can become.
    if (!std::strchr("NBRQnbrq", promotionPiece_) || promotionPiece_ == '\0')
      promotionPiece_ = before;
    PromotePawn(newSq);
  }

  if (fx.EnPassantVictim != None) {
    if (OnCapture) OnCapture(this, oldSq, newSq, squares_[fx.EnPassantVictim]);
    squares_[fx.EnPassantVictim] = ' ';
    DrawSquare(fx.EnPassantVictim);
    DrawMarks();
  }

  enPassant_ = fx.EnPassant;

  if (fx.RookFrom != None) {
    squares_[fx.RookTo] = squares_[fx.RookFrom];
    squares_[fx.RookFrom] = ' ';
    DrawSquare(fx.RookFrom);
    DrawPiece(fx.RookTo, squares_[fx.RookTo]);
    DrawMarks();
    if (OnCastle) OnCastle(this, oldSq, newSq);
  }

  castling_ = fx.Castling;

  // The position is complete now: the record gets its entry before any handler below could
  // save or list the game, and check is judged on what really stands on the board.
  WriteEntryPosition(record_->Entries[currentMove_][whiteToMove_ ? 0 : 1]);
  check = rules::KingAttacked(squares_, true) || rules::KingAttacked(squares_, false);
  entry.Check = check ? 1 : 0;

  // Mate and stalemate are about the moves the rules allow; a repetition is reported below.
  const bool any = HasLegalMoveIgnoringRepetition();
  bool draw = false;
  if (check) {
    if (OnCheck) OnCheck(this, oldSq, newSq);
    if (!any && OnMate) {
      gameEnded_ = true;
      OnMate(this, oldSq, newSq);
    }
  } else if (!any) {
    if (OnStaleMate) OnStaleMate(this, oldSq, newSq);
    draw = true;
  }
  if (NoMatingMaterial()) {
    if (OnNoMatingMaterial) OnNoMatingMaterial(this);
    draw = true;
  }
  if (IsThreefoldRepetition()) {
    if (OnThreefoldPosition) OnThreefoldPosition(this);
    draw = true;
  }
  if (draw && OnDraw) {
    gameEnded_ = true;
    OnDraw(this);
  }
  // No further move fits into the record: the game ends here too.
  if (RecordFull() && !gameEnded_) {
    gameEnded_ = true;
    if (OnRecordFull) OnRecordFull(this);
  }
  if (OnPaint) OnPaint(this);
  return true;
}

bool ChessBoard::PlayMove(int oldSq, int newSq) {
  StopThinking();
  bool ok = ExecuteMove(oldSq, newSq);
  engineHalted_ = false;
  StartThinking();
  return ok;
}

void ChessBoard::PromotePawn(int square) {
  if (!IsBoardSquare(square)) return;
  const int rank = RankOf(square);
  if (rank != 8 && rank != 1) return;
  squares_[square] = rules::PromotedLetter(promotionPiece_, square);
  DrawSquare(static_cast<Square>(square));
  DrawPiece(static_cast<Square>(square), squares_[square]);
  DrawMarks();
}

void ChessBoard::ResetGame() {
  StopThinking();
  std::memcpy(squares_, kInitialArray.data(), 65);
  squares_[65] = '\0';
  whiteToMove_ = true;
  currentMove_ = 1;
  lastMoveNumber_ = 1;
  whiteToMoveAtEnd_ = true;
  enPassant_ = None;
  castling_ = AllCastling;
  firstEntryValid_ = false;
  blackStarts_ = false;
}

void ChessBoard::StartFromPosition(std::string_view board, bool whiteToMove, CastleSet castling,
                                   Square enPassant) {
  ResetGame();
  LoadBoardText(board);
  whiteToMove_ = whiteToMove;
  whiteToMoveAtEnd_ = whiteToMove;
  castling_ = castling & AllCastling;
  const bool ep_ok = (enPassant >= A6 && enPassant <= H6) || (enPassant >= A3 && enPassant <= H3);
  enPassant_ = ep_ok ? enPassant : None;
  // Old entries of the first move number must not look like part of this game.
  std::memset(&record_->Entries[1][0], 0, kGroupSize);
  WriteEntryPosition(record_->Entries[1][whiteToMove ? 0 : 1]);
  firstEntryValid_ = whiteToMove;
  blackStarts_ = !whiteToMove;
  PublishToEngine();
  Repaint();
}

void ChessBoard::NewGame() {
  ResetGame();
  Repaint();
}

// ---------------------------------------------------------------- navigation

bool ChessBoard::GoToMove(int moveNumber, bool whiteToMove) {
  StopThinking();
  if (moveNumber > lastMoveNumber_ || moveNumber < 1 || moveNumber > kMaxMoveNumber) return false;
  if (moveNumber == lastMoveNumber_ && whiteToMoveAtEnd_ && !whiteToMove) return false;
  if (moveNumber == 1 && whiteToMove && blackStarts_) return false;
  currentMove_ = moveNumber;
  whiteToMove_ = whiteToMove;
  // Before the first move entry (1, 0) belongs to no game yet: the board stays as it is.
  if (moveNumber == 1 && whiteToMove && !firstEntryValid_) return true;
  const std::string old = Position();
  const MoveEntry& e = record_->Entries[moveNumber][whiteToMove ? 0 : 1];
  LoadBoardText(e.PositionText());
  // Loaded entries may hold any bytes: keep only values the rules and the engine can use.
  const uint8_t ep = e.EnPassant;
  enPassant_ = ((ep >= A6 && ep <= H6) || (ep >= A3 && ep <= H3)) ? ep : uint8_t{None};
  castling_ = e.CastlingRights & AllCastling;
  RedrawChangedSquares(old);
  return true;
}

bool ChessBoard::MoveBack() {
  return whiteToMove_ ? GoToMove(currentMove_ - 1, false) : GoToMove(currentMove_, true);
}

bool ChessBoard::MoveForward() {
  return whiteToMove_ ? GoToMove(currentMove_, false) : GoToMove(currentMove_ + 1, true);
}

void ChessBoard::RedrawChangedSquares(std::string_view oldPosition) {
  for (int sq = 1; sq <= 64; ++sq) {
    char before = static_cast<size_t>(sq) <= oldPosition.size() ? oldPosition[sq - 1] : ' ';
    if (before == squares_[sq]) continue;
    DrawSquare(static_cast<Square>(sq));
    if (squares_[sq] != ' ') DrawPiece(static_cast<Square>(sq), squares_[sq]);
  }
  DrawMarks();
}

void ChessBoard::GetMoveList(std::vector<std::string>& lines) {
  const int last = std::min(lastMoveNumber_, kMaxMoveNumber);
  for (int m = 1; m <= last; ++m) {
    for (int slot = 0; slot < 2; ++slot) {
      if (m == last && (slot == 1 || whiteToMoveAtEnd_)) return;
      const MoveEntry& e = record_->Entries[m][slot];
      if (m == 1 && slot == 0 && blackStarts_) {
        // White's half-move before a set-up start with Black to move: a line of its own keeps
        // line k at the same place of the record as in every other game.
        lines.push_back("1. ...");
        lastFromFile_ = lastFromRank_ = lastToFile_ = lastToRank_ = 0;
        continue;
      }
      std::string line = slot == 0 ? std::to_string(m) + ". " : std::string("\t");
      if (const char g = GermanLetterOf(e.MovedPiece); g && g != 'B') line += g;
      AppendSquare(line, e.From);
      line += PieceColorOf(e.TargetContent) >= 0 ? 'x' : '-';
      AppendSquare(line, e.To);
      if (line.find("Ke1-g1") != std::string::npos || line.find("Ke8-g8") != std::string::npos)
        line.replace(line.find('K'), std::string::npos, "0-0");
      if (line.find("Ke1-c1") != std::string::npos || line.find("Ke8-c8") != std::string::npos)
        line.replace(line.find('K'), std::string::npos, "0-0-0");
      if (e.Check == 1) line += '+';
      lines.push_back(std::move(line));
      const bool valid = IsBoardSquare(e.From) && IsBoardSquare(e.To);
      lastFromFile_ = valid ? FileOf(e.From) : 0;
      lastFromRank_ = valid ? RankOf(e.From) : 0;
      lastToFile_ = valid ? FileOf(e.To) : 0;
      lastToRank_ = valid ? RankOf(e.To) : 0;
    }
  }
}

}  // namespace tavrel
