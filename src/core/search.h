// The computer's move search: a small alpha-beta engine with iterative deepening, a check
// extension, a capture-only quiescence search, history ordering and a principal-variation hint.
// It has no clock and no repetition detection. Its result (move and score) is defined by that
// literal search; by default the same result is found with a transposition table and null-window
// tests (search_fast.cpp), and SetLiteral(true) runs the literal search itself. Everything it
// needs lives in fixed arrays inside the Searcher and one table allocated with it, so a search
// never allocates.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tavrel {

// Engine squares 0..63: 0 = a8, 1 = b8, ..., 7 = h8, 8 = a7, ..., 56 = a1, 63 = h1. An engine
// square is the board's Square value minus 1; row = square / 8 (row 0 is rank 8), file =
// square % 8 (file 0 is the a-file).
namespace engine {
constexpr int kWhite = 0, kBlack = 1, kEmpty = 6;  // colour codes (kEmpty also for pieces)
constexpr int kPawn = 0, kKnight = 1, kBishop = 2, kRook = 3, kQueen = 4, kKing = 5;
constexpr int kMaxPly = 64;      // plies from the root: per-ply arrays and principal variation
constexpr int kMaxMoves = 4096;  // entries on the move list at once
constexpr int kInfinity = 10000;
constexpr int kMate = 10000;  // a side mated at ply p scores -kMate + p

// Flag bits of an EngineMove.
constexpr uint8_t kFlagCapture = 1;
constexpr uint8_t kFlagCastle = 2;
constexpr uint8_t kFlagEnPassant = 4;
constexpr uint8_t kFlagDoubleStep = 8;
constexpr uint8_t kFlagPawnMove = 16;
constexpr uint8_t kFlagPromotion = 32;

constexpr int RowOf(int sq) {
  return sq >> 3;
}
constexpr int FileOf(int sq) {
  return sq & 7;
}
}  // namespace engine

// A move in four bytes: from and to (engine squares), the promotion piece (1 knight .. 4 queen,
// 0 for no promotion) and the flags (1 capture, 2 castling, 4 en-passant capture, 8 pawn double
// step, 16 pawn move, 32 promotion). A pawn step has flags 16, a double step 24, a pawn capture
// 17, an en-passant capture 21, castling 2, a capture by another piece 1, any other move 0; a
// promotion adds 32.
struct EngineMove {
  uint8_t from = 0;
  uint8_t to = 0;
  uint8_t promote = 0;
  uint8_t flags = 0;
  friend bool operator==(const EngineMove&, const EngineMove&) = default;
};
static_assert(sizeof(EngineMove) == 4);

// What a search starts from: the board text and the position fields of the board.
struct EnginePosition {
  char squares[64];  // board text, a8 first: " PNBRQKpnbrqk"
  bool whiteToMove = true;
  uint8_t castling =
      15;  // bit 0 white king side, 1 white queen side, 2 black king side, 3 black queen side
  uint8_t enPassant = 0;  // board Square (1..64) passed over by the last double step, 0 = none
};

// Reported after every completed iteration.
struct IterationInfo {
  int depth;
  int score;       // from the side to move's point of view
  uint64_t nodes;  // so far in this search
  const EngineMove* pv;
  int pvLength;
};

struct SearchResult {
  bool hasMove = false;  // false when the root has no legal move (or nothing was searched)
  EngineMove move;       // first move of the principal variation of the last completed iteration
  int score = 0;
  int depth = 0;  // last completed iteration
  uint64_t nodes = 0;
  bool stopped = false;  // the stop flag ended the search
  int pvLength = 0;
  EngineMove pv[engine::kMaxPly];
};

// The position after `m`, which must be a move of `pos` (as LegalMoves lists them): the rook of a
// castling, the pawn taken en passant, the promotion piece, rights, en-passant square and side to
// move are all applied.
EnginePosition AfterMove(const EnginePosition& pos, EngineMove m);

// UCI text of a move: "e2e4", promotions with their piece letter ("e7e8q").
std::string MoveToUci(EngineMove m);

class Searcher {
 public:
  using IterationCallback = std::function<void(const IterationInfo&)>;

  Searcher();
  ~Searcher();
  Searcher(const Searcher&) = delete;
  Searcher& operator=(const Searcher&) = delete;

  // The literal search (every node of the fixed iterative-deepening tree in its own order)
  // instead of the equivalent fast one. Both give the same move and score.
  void SetLiteral(bool literal) { literal_ = literal; }
  bool Literal() const { return literal_; }
  // Entries and bytes of the transposition table (allocated once, with the Searcher).
  static constexpr int kTableBits = 20;
  static size_t TableBytes();

  // Iterative deepening from depth 1 to `depth` (clamped to 1..kMaxPly-1). `stop` is polled before
  // every iteration, on entry to every full-width node and before each of its moves. The principal
  // variation of the previous Think stays as the ordering hint of the first iteration.
  SearchResult Think(const EnginePosition& pos, int depth, const std::atomic<bool>& stop,
                     const IterationCallback& onIteration = nullptr);

  // Forgets the principal variation of the previous search (so that a search does not depend on
  // what was searched before).
  void ClearHint();

  // Lowers the ply and move-list limits (tests use this to reach the cut-offs quickly). A node at
  // the ply limit, or one whose moves do not fit on the list, is scored by Evaluate.
  void SetLimits(int maxPly, int maxMoves);

  // Loads a position without searching (for perft, evaluation and tests).
  void SetPosition(const EnginePosition& pos);
  // Perft of the move generator from the loaded position: pseudo-legal moves made and taken back.
  uint64_t Perft(int depth);
  // Perft split by root move, in generation order. `stop` (may be null) is polled throughout;
  // returns false when it ended the count early (the root moves not reported are not counted).
  bool PerftDivide(int depth, const std::function<void(EngineMove, uint64_t)>& perMove,
                   const std::atomic<bool>* stop = nullptr);

  // Evaluation of the loaded position (after PrepareEvaluation), side to move's point of view.
  void PrepareEvaluation();
  int Evaluate() const;
  int PieceSquareValue(int colour, int piece, int sq) const {
    return pieceSquare_[colour][piece][sq];
  }
  bool InCheck(int colour) const;
  // The legal moves of the loaded position, in generation order; returns their number.
  int LegalMoves(EngineMove* out, int capacity);

 private:
  struct Undo {
    EngineMove move;
    int32_t captured = 0;
    int32_t castling = 0;
    int32_t enPassant = -1;
    int32_t material[2] = {0, 0};  // piece-square sums before the move
  };

  SearchResult LiteralThink(const EnginePosition& pos, int depth, const std::atomic<bool>& stop,
                            const IterationCallback& onIteration);
  SearchResult FastThink(const EnginePosition& pos, int depth, const std::atomic<bool>& stop,
                         const IterationCallback& onIteration);
  int FastSearch(int alpha, int beta, int depth);
  int FastQuiesce(int alpha, int beta);
  void FastOrder(EngineMove ttMove);
  int QuietGain(EngineMove m) const;
  bool GivesCheck(EngineMove m);
  bool StandPatAfter(EngineMove m, int alpha, int& bound);
  EngineMove LiteralMoveAt(int d, const EnginePosition& pos);
  bool RunLiteralIterations(int upTo, const EnginePosition& pos);
  bool ReplayHint();
  void ForgetReplay();
  void LogFastSearch(const EnginePosition& pos, int depth);
  int LiteralIteration(int d);
  int Search(int alpha, int beta, int depth);
  int Quiesce(int alpha, int beta);
  void GenerateMoves();
  void GenerateCaptures();
  template <bool kCapturesOnly>
  void Generate();
  void Push(int from, int to, int flags);
  void PushPawnMove(int from, int to, int flags);
  void MarkPrincipalMove();
  void PickMove(int i);
  bool MakeMove(EngineMove m);
  void TakeBack();
  bool IsAttacked(int sq, int colour) const;
  uint64_t Pinned(int kingSq, int colour) const;
  template <bool kMaterial = true>
  void PutPiece(int sq, int colour, int piece);
  template <bool kMaterial = true>
  void RemovePiece(int sq);
  void PawnTerms(int* score, unsigned* files) const;
  void RecomputeMaterial();
  uint64_t PerftNode(int depth);
  // The first legal move of the root's list; false when the side to move has none.
  bool FirstLegalRootMove(EngineMove& move);

  // Transposition table entry: a bound on the value of a Search node, keyed by position, side,
  // rights, en-passant square, remaining depth and ply.
  struct alignas(32) TableEntry {
    uint64_t key;
    int32_t value;
    EngineMove move;
    uint16_t listUse;  // move-list entries its subtree used beyond the node's first entry
    uint8_t bound;     // 1 upper, 2 lower, 3 exact
    uint16_t generation;  // of the search that stored it; 0 = never
    uint8_t depth;
  };
  uint64_t PlaceKey() const;
  TableEntry* Probe(TableEntry* bucket, uint64_t key);

  bool literal_ = false;
  TableEntry* table_ = nullptr;  // 64-byte aligned buckets of two entries
  void* tableMemory_ = nullptr;
  uint16_t generation_ = 0;
  uint64_t hash_ = 0;   // pieces only; side, rights and en passant are added by PlaceKey
  int listHigh_ = 0;    // highest move-list end reached (for the list-limit check of the table)
  bool stopped_ = false;
  int32_t fastHistory_[64][64];
  EngineMove killers_[engine::kMaxPly][2];
  // Root of the fast search: legal moves, and per iteration the value and the moves that reach it.
  static constexpr int kMaxRootMoves = 256;
  EngineMove rootMoves_[kMaxRootMoves];
  int rootCount_ = 0;
  int rootValue_[engine::kMaxPly];
  EngineMove ties_[engine::kMaxPly][kMaxRootMoves];
  int tieCount_[engine::kMaxPly];
  EngineMove literalMove_[engine::kMaxPly];  // memo of LiteralMoveAt, from == to when unknown
  int literalDone_ = 0;  // literal iterations run in this search (history and hint follow them)
  // The principal variation left behind is the next search's ordering hint. A fast search knows
  // only its first move; the literal row is rebuilt when needed by replaying the fast searches
  // since the last exact row.
  EngineMove exactRow_[engine::kMaxPly];
  struct Replay {
    EnginePosition pos;
    int depth;
  };
  static constexpr int kMaxReplay = 32;
  Replay replay_[kMaxReplay];
  int replayCount_ = 0;
  EngineMove hintFirst_;  // first move of the literal row

  const std::atomic<bool>* stop_ = nullptr;
  uint64_t nodes_ = 0;

  int32_t pieceSquare_[2][6][64];
  // The engine board: colour and piece code per square, and the same as bitboards (bit n =
  // engine square n) for attack tests and evaluation.
  uint8_t color_[64];
  uint8_t piece_[64];
  uint64_t occupied_[2];
  uint64_t pieces_[2][6];
  int32_t material_[2];  // sum of the piece-square values per colour, kept up to date by moves
  // Pawn-structure terms by pawn placement, valid for the piece-square values of this search.
  struct PawnEntry {
    uint64_t white = ~uint64_t(0), black = ~uint64_t(0);
    int32_t score[2] = {0, 0};
    uint8_t files[2] = {0, 0};
  };
  static constexpr int kPawnCacheBits = 12;
  mutable PawnEntry pawnCache_[1 << kPawnCacheBits];
  int32_t side_ = engine::kWhite;
  int32_t xside_ = engine::kBlack;
  int32_t castle_ = 0;
  int32_t ep_ = -1;
  int32_t ply_ = 0;
  // The move list, moves and their ordering scores side by side (scores contiguous for the
  // selection scan of PickMove).
  EngineMove moves_[engine::kMaxMoves];
  int32_t scores_[engine::kMaxMoves + 4];  // 4 spare entries for the scan's sentinels
  int32_t first_[engine::kMaxPly + 1];
  int32_t end_[engine::kMaxPly];
  int32_t history_[64][64];
  Undo undo_[engine::kMaxPly];
  EngineMove pv_[engine::kMaxPly][engine::kMaxPly];
  int32_t pvLength_[engine::kMaxPly];
  bool followPv_ = false;
  int plyLimit_ = engine::kMaxPly - 1;
  int moveLimit_ = engine::kMaxMoves;
};

}  // namespace tavrel
