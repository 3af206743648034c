#include "core/variants.h"

namespace tavrel {
namespace {

constexpr VariantInfo kVariants[] = {
    {"M12", "Schwarz ohne Dame", "rnb kbnrpppppppp                                PPPPPPPPRNBQKBNR",
     false},
    {"x5", "Damenloses Spiel", "rnb kbnrpppppppp                                PPPPPPPPRNB KBNR",
     false},
    {"x6", "Schwarz ohne Pferde",
     "r bqkb rpppppppp                                PPPPPPPPRNBQKBNR", true},
    {"M25", "König-Dame-Tausch", "rnbkqbnrpppppppp                                PPPPPPPPRNBKQBNR",
     false},
    {"M13", "Springer-Läufer-Tausch",
     "rbnqknbrpppppppp                                PPPPPPPPRBNQKNBR", false},
    {"M2", "König in der Ecke", "rnbqrbnkpppppppp                                PPPPPPPPRNBQRBNK",
     false},
    {"M26", "32 Bauern", "rnbqkbnrpppppppppppppppp                PPPPPPPPPPPPPPPPRNBQKBNR", false},
};

constexpr bool AllBoardsComplete() {
  for (const VariantInfo& v : kVariants)
    if (v.Board.size() != 64) return false;
  return true;
}
static_assert(std::size(kVariants) == 7 && AllBoardsComplete());

}  // namespace

std::span<const VariantInfo> Variants() {
  return kVariants;
}

}  // namespace tavrel
