// ChessBoard: the board without its screen. It owns the position, the game record,
// the events and the engine thread; the Qt widget TChessBrd derives from it and fills in the
// drawing and thread hand-over hooks. Everything here runs on the UI thread (the thread that
// constructed the board) except the engine thread's search, which reads Squares(),
// WhiteToMove(), CastlingAllowed(), EnPassant(), the computer-player switches and
// SearchDepth() without a lock. The rule that makes this safe: every operation that changes
// the position, the side to move or the en-passant square calls StopThinking() first, and
// StopThinking() returns only once the engine thread is parked.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/game_record.h"
#include "core/squares.h"
#include "core/chess_thread.h"

namespace tavrel {

class ChessBoard;

// Events are fired synchronously and only when assigned, with the board as Sender.
using TMoveEvent = std::function<void(ChessBoard* Sender, Square oldSq, Square newSq)>;
using TCaptureEvent =
    std::function<void(ChessBoard* Sender, Square oldSq, Square newSq, char CapturedPiece)>;
using TPromotionEvent =
    std::function<void(ChessBoard* Sender, Square oldSq, Square newSq, char& NewPiece)>;
using TNotifyEvent = std::function<void(ChessBoard* Sender)>;
using TOneSquareEvent = std::function<void(ChessBoard* Sender, Square square)>;
using TThinkEvent = std::function<void(ChessBoard* Sender, Square& oldsq, Square& newsq)>;

// The built-in initial position as board text.
inline constexpr std::string_view kInitialPosition =
    "rnbqkbnrpppppppp                                PPPPPPPPRNBQKBNR";

class ChessBoard {
 public:
  ChessBoard();
  virtual ~ChessBoard();
  ChessBoard(const ChessBoard&) = delete;
  ChessBoard& operator=(const ChessBoard&) = delete;

  // ---- Events ----
  TMoveEvent OnLegalMove, OnCastle, OnCheck, OnMate, OnStaleMate, OnCalculationFailed;
  TCaptureEvent OnCapture;
  TPromotionEvent OnPromotion;
  TNotifyEvent OnNoMatingMaterial, OnThreefoldPosition, OnDraw, OnPaint;
  // The game record has no room for another half-move: fired after the move that filled it
  // (the game ends there, unless mate or a draw ended it already) and for every legal move
  // refused afterwards for want of room.
  TNotifyEvent OnRecordFull;
  TOneSquareEvent OnIllegalMove;  // fired by the widget's drag input, never by the core
  TThinkEvent OnCalculateMove;

  // ---- Position ----
  // The 64-character board text.
  std::string Position() const;
  // Stops the engine, then places the 13 board characters of value on squares 1..64 (any
  // other character leaves its square empty; a NUL ends the text); "init"/"newgame" in any
  // case give the initial position. Side to move, rights, en passant and record stay.
  void SetPosition(std::string_view value);
  // The 66-character array: [0] never a piece, [1..64] the squares, [65] NUL.
  const char* Squares() const { return squares_; }
  bool WhiteToMove() const { return whiteToMove_; }
  void SetWhiteToMove(bool value);  // stops the engine first
  CastleSet CastlingAllowed() const { return castling_; }
  void SetCastlingAllowed(CastleSet value);  // does not stop the engine
  Square EnPassant() const { return static_cast<Square>(enPassant_); }
  // Accepts only A6..H6 and A3..H3 (stops the engine first); anything else is ignored.
  void SetEnPassant(Square value);
  // 1 white piece, 0 black piece, -1 empty or not a board square.
  int PieceColor(int square) const;

  // ---- Game record ----
  int CurrentMove() const { return currentMove_; }
  void SetCurrentMove(int) {}  // read-only: writes are ignored
  int LastMoveNumber() const { return lastMoveNumber_; }
  bool WhiteToMoveAtEnd() const { return whiteToMoveAtEnd_; }
  // Entry (move 0..256, slot 0..2); throws std::out_of_range outside.
  const MoveEntry& Entry(int move, int slot) const;
  const GameRecord& Record() const { return *record_; }
  // True when the record has no room for the half-move to be played next (Black to move at
  // move 256): ExecuteMove then refuses every move until the user goes back in the record, and
  // no engine is started.
  bool RecordFull() const;
  // True when the record begins with Black's half-move of move 1 (a game set up with Black to
  // move): entry (1, 0) stays empty, the move list shows "1. ..." for it and GoToMove never
  // goes before the start.
  bool BlackStarts() const { return blackStarts_; }

  char PromotionPiece() const { return promotionPiece_; }
  // Only "NBRQ" in either case are taken; anything else is ignored.
  void SetPromotionPiece(char piece);
  bool GameEnded() const { return gameEnded_; }
  bool EngineHalted() const { return engineHalted_; }
  int LastMoveFromFile() const { return lastFromFile_; }
  int LastMoveFromRank() const { return lastFromRank_; }
  int LastMoveToFile() const { return lastToFile_; }
  int LastMoveToRank() const { return lastToRank_; }

  bool AnimateMoves() const { return animateMoves_; }
  void SetAnimateMoves(bool value) { animateMoves_ = value; }

  // ---- Rules (change nothing) ----
  bool IsLegalMove(int oldSq, int newSq) const;
  bool HasLegalMove() const;
  bool IsThreefoldRepetition() const;
  // Is that king attacked once oldSq -> newSq has been played completely (en-passant victim
  // removed, castling rook moved, promotion to PromotionPiece())? oldSq == newSq tests the
  // current position.
  bool WhiteKingInCheckAfter(int oldSq, int newSq) const;
  bool BlackKingInCheckAfter(int oldSq, int newSq) const;
  bool PawnMoveValid(int oldSq, int newSq) const;
  bool KnightMoveValid(int oldSq, int newSq) const;
  bool BishopMoveValid(int oldSq, int newSq) const;
  bool RookMoveValid(int oldSq, int newSq) const;
  bool QueenMoveValid(int oldSq, int newSq) const;
  bool KingMoveValid(int oldSq, int newSq) const;
  // Both sides below 5 points of mating material.
  bool NoMatingMaterial() const;

  // ---- Moves and navigation ----
  // Tests, plays, records and reports one move; false (and nothing happens) when the move is
  // illegal or the record is full.
  bool ExecuteMove(int oldSq, int newSq);
  // The user's move: StopThinking, ExecuteMove, EngineHalted := false, StartThinking.
  bool PlayMove(int oldSq, int newSq);
  void PromotePawn(int square);
  void ResetGame();  // new game without repainting
  void NewGame();    // ResetGame, then repaint
  // A new game from a set-up position (FEN, PGN): stops the engine, places board, side to
  // move, castling rights and en-passant square (only A6..H6/A3..H3 are kept), and makes this
  // position the record's first entry, so that take-back stops here. Then repaints.
  void StartFromPosition(std::string_view board, bool whiteToMove, CastleSet castling,
                         Square enPassant);
  bool GoToMove(int moveNumber, bool whiteToMove);
  bool MoveBack();
  bool MoveForward();
  // Appends one line per recorded half-move in German notation.
  void GetMoveList(std::vector<std::string>& lines);
  void RedrawChangedSquares(std::string_view oldPosition);

  // ---- Saved game file (throw GameFileError) ----
  void SaveGame(const std::string& path) const;
  // The record cut after move-list line lineIndex (-1 = no half-move).
  void SaveGameUpTo(const std::string& path, int lineIndex) const;
  // All or nothing: a malformed file is refused and the record stays as it was.
  void LoadGame(const std::string& path);
  // The same from bytes already in memory; `name` appears in error messages.
  void LoadGameBytes(std::span<const uint8_t> bytes, const std::string& name);

  // ---- Computer player ----
  bool ComputerPlaysWhite() const { return computerPlaysWhite_; }
  void SetComputerPlaysWhite(bool value);
  bool ComputerPlaysBlack() const { return computerPlaysBlack_; }
  void SetComputerPlaysBlack(bool value);
  int SearchDepth() const { return searchDepth_; }
  void SetSearchDepth(int value);  // kept within 1..8
  bool Thinking() const;
  void SetThinking(bool) {}  // read-only: writes are ignored
  TThreadPriority ThinkingPriority() const {
    return static_cast<TThreadPriority>(thinkingPriority_);
  }
  // Applied to the thread at once and at the start of every search.
  void SetThinkingPriority(TThreadPriority value);
  bool CustomEngine() const { return customEngine_; }
  void SetCustomEngine(bool value) { customEngine_ = value; }
  // Lets the custom engine be asked again without a move by the user ("Zug ausführen", a new
  // choice of player), then StartThinking.
  void ResumeCustomEngine() {
    engineHalted_ = false;
    StartThinking();
  }
  void StartThinking();
  // Returns once the engine thread is parked, serving its hand-overs meanwhile.
  void StopThinking();
  // The custom-engine poll (the widget's 500 ms timer and event handling call it).
  void CustomEngineCheck();
  // True while the side to move belongs to the computer.
  bool ComputerToMove() const;
  // True while the engine thread is parked (or has been told to park at the end of its pass).
  bool EngineParked() const;

  // Serves engine hand-overs queued by the default RunOnUiThread for about `timeout`.
  void ProcessUiCalls(std::chrono::milliseconds timeout);
  // Serves hand-overs until pred() holds or timeout passes; returns pred().
  bool ProcessUiCallsUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

 protected:
  // Drawing hooks, empty in the core. DrawSquare draws a square's background only.
  virtual void DrawSquare(Square) {}
  virtual void DrawPiece(Square, char /*letter*/) {}
  virtual void DrawMarks() {}
  virtual void AnimateMove(Square /*from*/, Square /*to*/) {}
  // Was this the move the user has just dropped (then it is not animated)?
  virtual bool IsDraggedMove(Square /*from*/, Square /*to*/) const { return false; }
  // Full repaint (SetPosition, NewGame).
  virtual void Repaint() {}
  // Engine thread -> UI thread, returns when fn has run. The default queues fn for
  // ServeUiCalls (runs it at once when called on the UI thread).
  virtual void RunOnUiThread(const std::function<void()>& fn);
  // UI thread, while StopThinking waits: serve pending hand-overs (default: the queue above,
  // waiting briefly for one to arrive).
  virtual void ServeUiCalls();
  // Stops and joins the engine thread. The most-derived destructor calls it first, so that no
  // hook runs on a half-destroyed object; ~ChessBoard calls it too if nobody did.
  void ShutdownEngine();
  // Hands board fields to the engine; the board owns the thread from then on.
  void CreateEngineThread();

 private:
  bool LegalIgnoringRepetition(int oldSq, int newSq) const;
  bool HasLegalMoveIgnoringRepetition() const;
  bool KingInCheckAfter(int oldSq, int newSq, bool whiteKing) const;
  void WriteEntryPosition(MoveEntry& e) const;
  void LoadBoardText(std::string_view text);
  void SaveFile(const std::string& path, bool blackToMoveAtEnd, int groups) const;
  void PassFinished();
  void PublishToEngine();
  void FireDraw(bool draw);

  char squares_[66];
  bool whiteToMove_ = true;
  uint8_t castling_ = AllCastling;
  uint8_t enPassant_ = None;
  std::unique_ptr<GameRecord> record_;
  int currentMove_ = 1;
  int lastMoveNumber_ = 1;
  bool whiteToMoveAtEnd_ = true;
  // Entry (1, 0) holds this game's start only once a move or a loaded file has written it.
  bool firstEntryValid_ = false;
  bool blackStarts_ = false;
  char promotionPiece_ = 'q';
  bool gameEnded_ = false;
  bool engineHalted_ = false;
  int lastFromFile_ = 0, lastFromRank_ = 0, lastToFile_ = 0, lastToRank_ = 0;
  bool animateMoves_ = true;

  bool computerPlaysWhite_ = false;
  bool computerPlaysBlack_ = false;
  int searchDepth_ = 1;
  int thinkingPriority_ = tpNormal;
  bool customEngine_ = false;
  std::unique_ptr<TChessThread> thread_;
  bool engineShutDown_ = false;
  int handOverDepth_ = 0;
  // What the engine thread reads of the fields that change without stopping it.
  uint8_t engineCastling_ = AllCastling;
  int engineSearchDepth_ = 1;
  int enginePriority_ = tpNormal;  // > 0 while an engine hand-over runs on the UI thread

  // Default hand-over queue: engine thread pushes, UI thread serves.
  struct UiCall {
    const std::function<void()>* fn;
    bool done = false;
  };
  std::thread::id uiThread_;
  std::mutex uiMutex_;
  std::condition_variable uiCv_;
  std::deque<UiCall*> uiQueue_;
};

}  // namespace tavrel
