// The game record: one 88-byte entry per half-move, three per move number. The same bytes,
// entry by entry, form the saved game file (header = entry (0, 0), then groups of three).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/squares.h"

namespace tavrel {

// Byte layout (every field one byte, no padding, no byte order):
//   0      PositionLength   64 once written, 0 in an entry never written
//   1..80  Position         board text in bytes 1..64, bytes 65..80 zero
//   81     MovedPiece       letter that stood on the from-square
//   82     TargetContent    blank or the captured letter (blank for en passant)
//   83     Check            1 when the move gave check; in the header: 1 = Black to move at end
//   84     CastlingRights   CastleSet before this half-move
//   85     From, 86 To      Square
//   87     EnPassant        Square before this half-move, 0 = none
struct MoveEntry {
  uint8_t PositionLength;
  char Position[80];
  char MovedPiece;
  char TargetContent;
  uint8_t Check;
  uint8_t CastlingRights;
  uint8_t From;
  uint8_t To;
  uint8_t EnPassant;

  // The stored text; never longer than the 80 bytes that exist, whatever the length byte says.
  std::string_view PositionText() const {
    return {Position, PositionLength <= 80 ? PositionLength : size_t{80}};
  }
};
static_assert(sizeof(MoveEntry) == 88, "MoveEntry is the 88-byte file record");
static_assert(std::is_trivially_copyable_v<MoveEntry> && std::is_standard_layout_v<MoveEntry>);

constexpr int kMaxMoveNumber = 256;  // move numbers 1..256 are playable; 0 is the header
constexpr int kSlotsPerMove = 3;     // 0 White, 1 Black, 2 never written (file format)
constexpr size_t kEntrySize = sizeof(MoveEntry);
constexpr size_t kGroupSize = kEntrySize * kSlotsPerMove;
constexpr size_t kHeaderCheckOffset = 83;

struct GameRecord {
  MoveEntry Entries[kMaxMoveNumber + 1][kSlotsPerMove];
};
static_assert(sizeof(GameRecord) == 88 * 3 * 257);

// A saved game file could not be read or written. The message names the file and the reason.
class GameFileError : public std::runtime_error {
 public:
  GameFileError(const std::string& path, const std::string& reason)
      : std::runtime_error("Partiedatei „" + path + "“: " + reason), path_(path) {}
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace tavrel
