#include "gui/game_texts.h"

#include <cmath>
#include <cstdio>

namespace tavrel {

std::string LevelName(int level) {
  static const char* const kNames[] = {"Anfänger",      "sehr leicht",  "leicht", "normal",
                                       "anspruchsvoll", "mittelschwer", "schwer", "sehr schwer"};
  if (level >= 2 && level <= 9) return kNames[level - 2];
  if (level >= 10 && level <= kMaxLevel) return "Profi " + std::to_string(level - 9);
  return {};
}

namespace {
std::string MinutesSeconds(long long t) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", t / 60, t % 60);
  return text;
}
}  // namespace

std::string ClockText(int64_t milliseconds) {
  return MinutesSeconds(milliseconds > 0 ? milliseconds / 1000 : 0);
}

std::string ThinkingText(uint32_t elapsed_ms) {
  // nearbyint rounds halves to even under the default rounding mode.
  const auto s = static_cast<long long>(std::nearbyint(elapsed_ms / 1000.0));
  return "Moment bitte! Computer rechnet ... " + MinutesSeconds(s);
}

}  // namespace tavrel
