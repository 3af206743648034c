// Typed moves: both languages and coordinates, and what is wrong with a refused text.
#include <gtest/gtest.h>

#include "core/typed_move.h"
#include "board_test_util.h"

namespace tavrel {
namespace {

using testing::Fen;
using testing::Sq;


TEST(TypedMove, GermanEnglishAndCoordinatesNameTheSameMoves) {
  const FenPosition start = StartPosition();
  for (const char* text : {"Sf3", "Nf3", "g1f3", "g1-f3", " Sg1-f3 "}) {
    const TypedMove t = ReadTypedMove(start, text);
    ASSERT_EQ(t.outcome, TypedMove::Ok) << text;
    EXPECT_EQ(t.move, (SanMove{Sq("g1"), Sq("f3"), 0})) << text;
  }
  const FenPosition castle = Fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  for (const char* text : {"0-0", "O-O", "e1g1"})
    EXPECT_EQ(ReadTypedMove(castle, text).move, (SanMove{Sq("e1"), Sq("g1"), 0})) << text;
  const FenPosition promote = Fen("7k/4P3/8/8/8/8/8/K7 w - - 0 1");
  EXPECT_EQ(ReadTypedMove(promote, "e8=D").move.Promotion, 'Q');
  EXPECT_EQ(ReadTypedMove(promote, "e8=S").move.Promotion, 'N');
  EXPECT_EQ(ReadTypedMove(promote, "e8=Q").move.Promotion, 'Q');
  EXPECT_EQ(ReadTypedMove(promote, "e7e8r").move.Promotion, 'R');
  EXPECT_EQ(ReadTypedMove(promote, "e7e8l").move.Promotion, 'B');
  const FenPosition capture = Fen("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(ReadTypedMove(capture, "exd5").move, (SanMove{Sq("e4"), Sq("d5"), 0}));
  const FenPosition bishop = Fen("4k3/8/8/8/8/8/8/4KB2 w - - 0 1");
  EXPECT_EQ(ReadTypedMove(bishop, "Lb5+").outcome, TypedMove::Ok);
  EXPECT_EQ(ReadTypedMove(bishop, "Bb5").outcome, TypedMove::Ok);
}

TEST(TypedMove, RefusalsSayWhatIsWrong) {
  const FenPosition start = StartPosition();
  EXPECT_EQ(ReadTypedMove(start, "").outcome, TypedMove::Empty);
  EXPECT_EQ(ReadTypedMove(start, "hallo").outcome, TypedMove::NoMove);
  EXPECT_EQ(ReadTypedMove(start, "e2e5").outcome, TypedMove::NoMove);
  EXPECT_EQ(ReadTypedMove(start, "e5").outcome, TypedMove::OtherSide);
  EXPECT_EQ(ReadTypedMove(start, "e7e5").outcome, TypedMove::OtherSide);
  EXPECT_EQ(ReadTypedMove(start, "Sf6").outcome, TypedMove::OtherSide);
  const FenPosition two = Fen("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1");
  EXPECT_EQ(ReadTypedMove(two, "Sd2").outcome, TypedMove::Ambiguous);
  EXPECT_EQ(ReadTypedMove(two, "Nbd2").outcome, TypedMove::Ok);
  EXPECT_EQ(ReadTypedMove(two, "Sfd2").move.From, Sq("f3"));
}

}  // namespace
}  // namespace tavrel
