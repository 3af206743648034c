// Texts and small calculations of the main window that do not need a window: the level names,
// the clock and thinking texts, the move-list scrolling and the mapping of a move-list line to
// a position of the game record.
#pragma once

#include <cstdint>
#include <string>

namespace tavrel {

inline constexpr int kMinLevel = 2;
inline constexpr int kMaxLevel = 15;
inline constexpr int kDefaultLevel = 5;

// "Anfänger" .. "sehr schwer" for 2..9, "Profi 1" .. "Profi 6" for 10..15, "" outside.
std::string LevelName(int level);

// m ":" ss of a clock of t whole seconds (fraction cut off); minutes are not wrapped into hours:
// 125000 ms -> "2:05", 3725000 ms -> "62:05".
std::string ClockText(int64_t milliseconds);

// The status line while the engine searches: the elapsed time rounded to whole seconds (halves
// to even), e.g. 61000 ms -> "Moment bitte! Computer rechnet ... 1:01".
std::string ThinkingText(uint32_t elapsed_ms);

inline constexpr int kMoveListVisibleLines = 9;

// First visible line of the move list so that its last nine lines are in view.
constexpr int FirstVisibleMoveLine(int line_count) {
  return line_count >= kMoveListVisibleLines + 1 ? line_count - kMoveListVisibleLines : 0;
}

// Where a move-list line (one half-move per line, White's first move on line 0; -1 = none) puts
// the board: the move number and side to move after that half-move.
struct RecordPlace {
  int move_number;
  bool white_to_move;
};
constexpr RecordPlace PlaceAfterLine(int line) {
  return {(line + 1) / 2 + 1, (line + 1) % 2 == 0};
}
// The other way round: the line after whose half-move the board stands (-1 at the start).
constexpr int LineBefore(RecordPlace place) {
  return 2 * (place.move_number - 1) + (place.white_to_move ? 0 : 1) - 1;
}

}  // namespace tavrel
