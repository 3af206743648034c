// The fast way to the literal search's result.
//
// Why it is the same result: every iteration of the literal search is fail-hard alpha-beta over
// a fixed tree (check extension, quiescence, the ply and move-list limits; no state outside the
// path from the root decides a value). Fail-hard alpha-beta with a window (a, b) returns the
// tree's minimax value clamped to [a, b], whatever order the moves are tried in, so the root
// score can be found by any exact method: here a transposition table, its moves first, killers,
// and null-window tests. Ordering, history and the hint change only which of several equally
// good root moves the literal search keeps: the first one in its own order. So the fast search
// finds, per iteration, the value and every root move that reaches it; when one move does, it is
// the answer; when several do, the literal order decides (LiteralMoveAt).
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "core/search.h"
#include "core/search_keys.h"

namespace tavrel {

using namespace engine;

namespace {

constexpr uint8_t kUpper = 1, kLower = 2, kExact = 3;
constexpr size_t kTableSize = size_t(1) << Searcher::kTableBits;
constexpr size_t kTableMask = kTableSize - 1;
constexpr int kTableMoveScore = 1 << 30;
constexpr int kKillerScore = 900000;
constexpr int kHistoryCap = 800000;  // quiet moves stay below captures and killers
constexpr int kMarkBonus = 10000000;  // what the literal search adds to its hint move
// Below any value a node can have (material alone stays far inside).
constexpr int kWideWindow = 1 << 24;

bool Contains(const EngineMove* moves, int n, EngineMove m) {
  return std::find(moves, moves + n, m) != moves + n;
}

}  // namespace

size_t Searcher::TableBytes() {
  return kTableSize * sizeof(TableEntry);
}

Searcher::~Searcher() {
  std::free(tableMemory_);
}

SearchResult Searcher::Think(const EnginePosition& pos, int depth, const std::atomic<bool>& stop,
                             const IterationCallback& onIteration) {
  stop_ = &stop;
  if (literal_) {
    // The hint the literal search starts from is the literal row, rebuilt if fast searches ran.
    if (!ReplayHint()) {
      SearchResult stopped;
      stopped.stopped = true;
      stop_ = nullptr;
      return stopped;
    }
    SearchResult r = LiteralThink(pos, depth, stop, onIteration);
    ForgetReplay();
    return r;
  }
  return FastThink(pos, depth, stop, onIteration);
}

// Side, rights and en-passant square are hashed here rather than on every move; the remaining
// depth and the ply belong to the key because the value of a node depends on both (mate scores
// count plies from the root, the ply limit ends lines).
// Entries of one node for all depths share a bucket (one cache line): the node's entry and the
// one of the iteration before are found with one memory access.
uint64_t Searcher::PlaceKey() const {
  uint64_t k = hash_ ^ kHashKeys.castling[castle_ & 15] ^ kHashKeys.enPassant[ep_ + 1] ^
               kHashKeys.ply[ply_];
  if (side_ == kBlack) k ^= kHashKeys.blackToMove;
  return k;
}

void Searcher::FastOrder(EngineMove tableMove) {
  const EngineMove* killers = killers_[ply_];
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    const EngineMove m = moves_[i];
    if (m == tableMove)
      scores_[i] = kTableMoveScore;
    else if (m.flags & (kFlagCapture | kFlagPromotion))
      continue;  // 1,000,000 and more, by victim and attacker
    else if (m == killers[0])
      scores_[i] = kKillerScore + 1;
    else if (m == killers[1])
      scores_[i] = kKillerScore;
    else
      scores_[i] = std::min(fastHistory_[m.from][m.to], kHistoryCap);
  }
}

// The entry for `key` in the bucket, or nullptr.
Searcher::TableEntry* Searcher::Probe(TableEntry* bucket, uint64_t key) {
  for (int i = 0; i < 2; ++i)
    if (bucket[i].key == key && bucket[i].generation == generation_) return &bucket[i];
  return nullptr;
}

// The value of the literal Search's node, as a fail-soft bound: a result r <= alpha means the
// value is at most r, r >= beta at least r, anything between is the value. The literal node
// returns the value clamped to the window, which follows from r; the wider bounds make the
// table's entries useful for more windows.
//
// Table entries hold such bounds. The move-list limit is the one thing a node's value can depend
// on besides its key: where the list starts (the sum of the list lengths above it). So an entry
// notes how far beyond its first entry its subtree used the list, and it is only reused where
// that still fits below the limit, as it did when stored (entries of subtrees that reached the
// limit are not stored).
int Searcher::FastSearch(int alpha, int beta, int depth) {
  if (stop_->load(std::memory_order_relaxed)) {
    stopped_ = true;
    return 0;
  }
  if (depth == 0) return FastQuiesce(alpha, beta);
  ++nodes_;
  if (ply_ >= plyLimit_) return Evaluate();
  const bool check = InCheck(side_);
  if (check) ++depth;
  const int first = first_[ply_];
  const uint64_t place = PlaceKey();
  const uint64_t key = place ^ kHashKeys.depth[depth & 127];
  TableEntry* bucket = &table_[place & kTableMask & ~size_t(1)];
  EngineMove tableMove;
  if (const TableEntry* e = Probe(bucket, key)) {
    if (first + e->listUse < moveLimit_) {
      const int v = e->value;
      if (e->bound == kExact || (e->bound == kLower && v >= beta) ||
          (e->bound == kUpper && v <= alpha)) {
        listHigh_ = std::max(listHigh_, first + e->listUse);
        return v;
      }
    }
    tableMove = e->move;
  } else if (const TableEntry* earlier =
                 Probe(bucket, place ^ kHashKeys.depth[(depth - 1) & 127])) {
    // The same node one iteration earlier had one ply less to go: its best move comes first.
    tableMove = earlier->move;
  }

  const int savedHigh = listHigh_;
  listHigh_ = first;
  GenerateMoves();
  listHigh_ = std::max(listHigh_, end_[ply_]);
  auto finish = [&](int value, uint8_t bound, EngineMove best) {
    const int use = listHigh_ - first;
    if (!stopped_ && first + use < moveLimit_) {
      TableEntry* pair = bucket;
      TableEntry* slot = &pair[0];
      if (pair[1].key == key || (pair[0].key != key && (pair[1].generation != generation_ ||
                                                        (pair[0].generation == generation_ &&
                                                         pair[1].depth <= pair[0].depth))))
        slot = &pair[1];
      slot->key = key;
      slot->value = value;
      slot->move = best;
      slot->listUse = uint16_t(use);
      slot->bound = bound;
      slot->generation = generation_;
      slot->depth = uint8_t(depth);
    }
    listHigh_ = std::max(savedHigh, listHigh_);
    return value;
  };
  if (end_[ply_] >= moveLimit_) {
    listHigh_ = std::max(savedHigh, listHigh_);
    return Evaluate();
  }
  FastOrder(tableMove);
  bool legal = false, skipped = false;
  EngineMove best = tableMove;
  int a = alpha, bestValue = -kWideWindow;
  // One ply above the quiescence search a quiet move's reply position is scored first by
  // Evaluate, and the reply may keep that score (stand pat) unless it is in check. So such a move
  // is worth at most this node's score plus what the move changes in it; where that cannot beat
  // alpha, the move changes nothing here and needs no search. Pawn moves and castling change
  // more of the score and are searched.
  const bool frontier = depth == 1 && !check;
  const int standing = frontier ? Evaluate() : 0;
  for (int i = first; i < end_[ply_]; ++i) {
    if (stop_->load(std::memory_order_relaxed)) {
      stopped_ = true;
      break;
    }
    PickMove(i);
    const EngineMove m = moves_[i];
    if (frontier && !(m.flags & (kFlagCastle | kFlagEnPassant))) {
      bool skip = false;
      int bound;
      if (!(m.flags & (kFlagCapture | kFlagPromotion | kFlagPawnMove))) {
        bound = standing + QuietGain(m);
        skip = bound <= a && !GivesCheck(m);
      } else {
        skip = StandPatAfter(m, a, bound);
      }
      if (skip) {
        bestValue = std::max(bestValue, bound);
        skipped = true;
        continue;
      }
    }
    if (!MakeMove(m)) continue;
    int x;
    if (!legal) {
      x = -FastSearch(-beta, -a, depth - 1);
    } else {
      // Null window first: most moves only need to be shown no better.
      x = -FastSearch(-a - 1, -a, depth - 1);
      if (x > a && x < beta) x = -FastSearch(-beta, -a, depth - 1);
    }
    legal = true;
    TakeBack();
    if (x > bestValue) bestValue = x;
    if (x > a) {
      best = m;
      if (x >= beta) {
        if (!(m.flags & (kFlagCapture | kFlagPromotion))) {
          if (!(killers_[ply_][0] == m)) {
            killers_[ply_][1] = killers_[ply_][0];
            killers_[ply_][0] = m;
          }
          fastHistory_[m.from][m.to] = std::min(fastHistory_[m.from][m.to] + depth * depth,
                                                kHistoryCap);
        }
        return finish(x, kLower, m);
      }
      a = x;
    }
  }
  if (!legal && skipped && !stopped_) {
    // Only skipped moves were left: the node is no stalemate if one of them is legal, and its
    // bound stands.
    for (int i = first; i < end_[ply_] && !legal; ++i) {
      if (!MakeMove(moves_[i])) continue;
      TakeBack();
      legal = true;
    }
  }
  if (!legal) return finish(check ? -kMate + ply_ : 0, kExact, best);
  return finish(bestValue, bestValue > alpha ? kExact : kUpper, best);
}

// What a quiet move of a knight, bishop, rook, queen or king adds to the mover's score: its
// piece-square values, and for a rook the open-file terms (pawns do not move).
int Searcher::QuietGain(EngineMove m) const {
  const int p = piece_[m.from];
  int gain = pieceSquare_[side_][p][m.to] - pieceSquare_[side_][p][m.from];
  if (p == kRook) {
    auto fileTerm = [this](int sq) {
      const uint64_t file = uint64_t(0x0101010101010101) << FileOf(sq);
      if (pieces_[side_][kPawn] & file) return 0;
      return (pieces_[xside_][kPawn] & file) ? 10 : 15;
    };
    gain += fileTerm(m.to) - fileTerm(m.from);
  }
  return gain;
}

// For a capture, promotion or pawn move (no castling, no en passant): `bound` := the mover's
// score in the position after it, which is the most the move is worth if the reply stands pat;
// true when that cannot beat `alpha` and the reply is not in check, so that it would stand pat
// (or take something, which only lowers the move's worth). The move is applied to the bitboards
// and scores only, which is all Evaluate and IsAttacked read.
bool Searcher::StandPatAfter(EngineMove m, int alpha, int& bound) {
  const int s = side_, x = xside_;
  const int p = piece_[m.from], q = piece_[m.to];
  const int np = (m.flags & kFlagPromotion) ? m.promote : p;
  const uint64_t from = uint64_t(1) << m.from, to = uint64_t(1) << m.to;
  const int32_t material0 = material_[0], material1 = material_[1];
  pieces_[s][p] ^= from;
  pieces_[s][np] ^= to;
  occupied_[s] ^= from | to;
  material_[s] += pieceSquare_[s][np][m.to] - pieceSquare_[s][p][m.from];
  if (q != kEmpty) {
    pieces_[x][q] ^= to;
    occupied_[x] ^= to;
    material_[x] -= pieceSquare_[x][q][m.to];
  }
  bound = Evaluate();
  bool skip = bound <= alpha;
  if (skip) {
    const uint64_t kings = pieces_[x][kKing];
    skip = !kings || !IsAttacked(std::countr_zero(kings), s);
  }
  if (q != kEmpty) {
    pieces_[x][q] ^= to;
    occupied_[x] ^= to;
  }
  occupied_[s] ^= from | to;
  pieces_[s][np] ^= to;
  pieces_[s][p] ^= from;
  material_[0] = material0;
  material_[1] = material1;
  return skip;
}

// Whether a quiet move of a piece other than a pawn leaves the other side's king (the first one,
// as InCheck finds it) attacked.
bool Searcher::GivesCheck(EngineMove m) {
  const uint64_t kings = pieces_[xside_][kKing];
  if (!kings) return false;
  const uint64_t fromTo = (uint64_t(1) << m.from) | (uint64_t(1) << m.to);
  const int p = piece_[m.from];
  occupied_[side_] ^= fromTo;
  pieces_[side_][p] ^= fromTo;
  const bool check = IsAttacked(std::countr_zero(kings), side_);
  occupied_[side_] ^= fromTo;
  pieces_[side_][p] ^= fromTo;
  return check;
}

// The literal Quiesce without the principal variation, fail-soft like FastSearch: its tree and
// values are the same.
int Searcher::FastQuiesce(int alpha, int beta) {
  if (stop_->load(std::memory_order_relaxed)) {
    stopped_ = true;
    return 0;
  }
  ++nodes_;
  if (ply_ >= plyLimit_) return Evaluate();
  const bool check = InCheck(side_);
  int bestValue = -kWideWindow;
  if (check) {
    GenerateMoves();
  } else {
    bestValue = Evaluate();
    if (bestValue >= beta) return bestValue;
    if (bestValue > alpha) alpha = bestValue;
    GenerateCaptures();
  }
  listHigh_ = std::max(listHigh_, end_[ply_]);
  if (end_[ply_] >= moveLimit_) return Evaluate();
  bool legal = false;
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    PickMove(i);
    const EngineMove m = moves_[i];
    // As one ply above: a capture whose reply position, standing pat, cannot beat alpha is not
    // searched. Out of check only: in check every evasion counts for the mate test.
    int bound;
    if (!check && !(m.flags & kFlagEnPassant) && StandPatAfter(m, alpha, bound)) {
      bestValue = std::max(bestValue, bound);
      continue;
    }
    if (!MakeMove(m)) continue;
    legal = true;
    const int x = -FastQuiesce(-beta, -alpha);
    TakeBack();
    if (x > bestValue) bestValue = x;
    if (x > alpha) {
      if (x >= beta) return x;
      alpha = x;
    }
  }
  if (!legal && check) return -kMate + ply_;
  return bestValue;
}

SearchResult Searcher::FastThink(const EnginePosition& pos, int depth,
                                 const std::atomic<bool>& stop,
                                 const IterationCallback& onIteration) {
  SearchResult result;
  SetPosition(pos);
  PrepareEvaluation();
  std::memset(history_, 0, sizeof history_);
  std::memset(fastHistory_, 0, sizeof fastHistory_);
  for (auto& k : killers_) k[0] = k[1] = EngineMove{};
  for (EngineMove& m : literalMove_) m = EngineMove{};
  nodes_ = 0;
  stopped_ = false;
  literalDone_ = 0;
  // The piece-square values belong to this root: entries of earlier searches are invalid.
  if (++generation_ == 0) {
    std::memset(static_cast<void*>(table_), 0, TableBytes());
    generation_ = 1;
  }
  if (depth < 1) depth = 1;
  if (depth > kMaxPly - 1) depth = kMaxPly - 1;

  auto literal = [&] {
    // Cases outside what the fast search handles: the literal search itself, from the literal
    // hint.
    if (!ReplayHint()) {
      result = SearchResult{};
      result.stopped = true;
      return result;
    }
    result = LiteralThink(pos, depth, stop, onIteration);
    ForgetReplay();
    return result;
  };

  ply_ = 0;
  first_[0] = 0;
  GenerateMoves();
  if (end_[0] >= moveLimit_) return literal();
  rootCount_ = 0;
  for (int i = 0; i < end_[0]; ++i) {
    if (!MakeMove(moves_[i])) continue;
    TakeBack();
    if (rootCount_ == kMaxRootMoves) return literal();
    rootMoves_[rootCount_++] = moves_[i];
  }
  const bool rootCheck = InCheck(side_);
  stop_ = &stop;

  for (int d = 1; d <= depth; ++d) {
    if (stop.load(std::memory_order_relaxed)) {
      result.stopped = true;
      break;
    }
    ++nodes_;
    if (rootCount_ == 0) {
      // No legal move: the literal search scores the root and keeps no line (nor changes the
      // hint).
      result.depth = d;
      result.score = rootCheck ? -kMate : 0;
      if (onIteration) onIteration(IterationInfo{d, result.score, nodes_, nullptr, 0});
      continue;
    }
    const int rootDepth = d + (rootCheck ? 1 : 0);
    // The literal root keeps the first move whose value beats all before it, so per move only
    // "below the best", "equal to it" or "above it" matters: two null-window tests, and an
    // exact search only for a new best.
    int best = -kInfinity, ties = 0;
    listHigh_ = end_[0];
    for (int k = 0; k < rootCount_ && !stopped_; ++k) {
      const EngineMove m = rootMoves_[k];
      MakeMove(m);
      if (best <= -kInfinity) {
        const int x = -FastSearch(-kInfinity, kInfinity, rootDepth - 1);
        if (x > -kInfinity) {
          best = x;
          ties = 0;
          ties_[d][ties++] = m;
        }
      } else if (-FastSearch(-best, -best + 1, rootDepth - 1) >= best) {
        if (-FastSearch(-best - 1, -best, rootDepth - 1) > best) {
          best = -FastSearch(-kInfinity, -best, rootDepth - 1);
          ties = 0;
        }
        ties_[d][ties++] = m;
      }
      TakeBack();
      if (best >= kInfinity) break;
    }
    if (stopped_ || stop.load(std::memory_order_relaxed)) {
      result.stopped = true;
      break;
    }
    // A root value on the window's edge: the literal search then takes paths (a cut-off at the
    // root, the wide re-search) that the literal code decides best.
    if (best <= -kInfinity || best >= kInfinity) return literal();
    rootValue_[d] = best;
    tieCount_[d] = ties;
    // The best moves first in the next iteration.
    for (int t = ties - 1; t >= 0; --t) {
      EngineMove* at = std::find(rootMoves_, rootMoves_ + rootCount_, ties_[d][t]);
      std::rotate(rootMoves_, at, at + 1);
    }
    EngineMove move = ties_[d][0];
    if (d == depth) {
      move = LiteralMoveAt(d, pos);
      if (move.from == move.to) {  // stopped while the literal order was worked out
        result.stopped = true;
        break;
      }
    }
    result.depth = d;
    result.score = best;
    result.hasMove = true;
    result.move = move;
    result.pvLength = 1;
    result.pv[0] = move;
    if (onIteration) onIteration(IterationInfo{d, best, nodes_, result.pv, 1});
  }
  result.nodes = nodes_;
  if (result.stopped) {
    // What a stopped literal search leaves behind depends on the moment of the stop; the row now
    // in place is as good a hint as any.
    ForgetReplay();
  } else if (rootCount_ > 0) {
    LogFastSearch(pos, depth);
    hintFirst_ = result.move;
  }
  stop_ = nullptr;
  return result;
}

// The move the literal search's iteration d keeps: the first, in that iteration's root order, of
// the moves reaching the iteration's value. The order is: the move marked by the hint (the first
// list entry with the squares of the previous iteration's move, or of the previous search's
// first move in iteration 1), then by ordering score, captures by victim and attacker, quiet
// moves by the history of iterations 1..d-1. A null move (from == to) when stopped.
EngineMove Searcher::LiteralMoveAt(int d, const EnginePosition& pos) {
  if (literalMove_[d].from != literalMove_[d].to) return literalMove_[d];
  if (tieCount_[d] == 1) return literalMove_[d] = ties_[d][0];
  const EngineMove previous = d == 1 ? hintFirst_ : LiteralMoveAt(d - 1, pos);
  if (d > 1 && previous.from == previous.to) return EngineMove{};
  ply_ = 0;
  first_[0] = 0;
  GenerateMoves();
  int marked = -1;
  for (int i = 0; i < end_[0] && marked < 0; ++i)
    if (moves_[i].from == previous.from && moves_[i].to == previous.to) marked = i;
  // From iteration 2 on the mark decides alone when it is among the ties: 10,000,000 is more than
  // a quiet move's history after the earlier iterations, by a wide margin at these depths (the
  // largest entry after iterations 1..7 of the slowest game positions is about 200,000).
  if (d > 1 && marked >= 0 && Contains(ties_[d], tieCount_[d], moves_[marked]))
    return literalMove_[d] = moves_[marked];
  if (d == 1) {
    // History is still empty in the first iteration: the order follows from the list alone.
    std::memset(history_, 0, sizeof history_);
    GenerateMoves();
    if (marked >= 0) scores_[marked] += kMarkBonus;
  } else {
    if (!RunLiteralIterations(d - 1, pos)) return EngineMove{};
    ply_ = 0;
    GenerateMoves();
    followPv_ = true;
    MarkPrincipalMove();
  }
  for (int i = 0; i < end_[0]; ++i) {
    PickMove(i);
    if (Contains(ties_[d], tieCount_[d], moves_[i])) return literalMove_[d] = moves_[i];
  }
  return EngineMove{};  // not reached: the ties are root moves
}

// Runs the literal iterations up to `upTo` (continuing those already run in this search), so that
// history and hint are the literal search's own. False when stopped.
bool Searcher::RunLiteralIterations(int upTo, const EnginePosition& pos) {
  if (literalDone_ == 0) {
    if (!ReplayHint()) return false;
    SetPosition(pos);
    PrepareEvaluation();
    std::memset(history_, 0, sizeof history_);
  }
  while (literalDone_ < upTo) {
    if (stop_->load(std::memory_order_relaxed)) return false;
    LiteralIteration(literalDone_ + 1);
    if (stop_->load(std::memory_order_relaxed)) return false;
    ++literalDone_;
  }
  return true;
}

// Makes pv_[0] the row the literal search would have left: the last exact row, then the literal
// searches of the fast ones since. False when stopped.
bool Searcher::ReplayHint() {
  if (replayCount_ == 0) return true;
  const std::atomic<bool>* stop = stop_;
  const uint64_t nodes = nodes_;
  for (int j = 0; j < kMaxPly; ++j) pv_[0][j] = exactRow_[j];
  int done = 0;
  for (; done < replayCount_; ++done) {
    LiteralThink(replay_[done].pos, replay_[done].depth, *stop, nullptr);
    if (stop->load(std::memory_order_relaxed)) break;
    for (int j = 0; j < kMaxPly; ++j) exactRow_[j] = pv_[0][j];
  }
  std::copy(replay_ + done, replay_ + replayCount_, replay_);
  replayCount_ -= done;
  stop_ = stop;
  nodes_ = nodes;
  return replayCount_ == 0;
}

void Searcher::ForgetReplay() {
  replayCount_ = 0;
  for (int j = 0; j < kMaxPly; ++j) exactRow_[j] = pv_[0][j];
  hintFirst_ = pv_[0][0];
}

void Searcher::LogFastSearch(const EnginePosition& pos, int depth) {
  if (replayCount_ == kMaxReplay) {
    // Too long a chain to replay: from here the row is the known first move and the rest of the
    // last exact row.
    replayCount_ = 0;
    exactRow_[0] = hintFirst_;
  }
  replay_[replayCount_++] = Replay{pos, depth};
}

}  // namespace tavrel
