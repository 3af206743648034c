#include "gui/board_geometry.h"

#include <cmath>
#include <cstdlib>

namespace tavrel {

std::vector<Pixel> StraightSlide(Pixel p0, Pixel p1) {
  std::vector<Pixel> path;
  if (p0 == p1) return path;
  const int dx = p1.x - p0.x, dy = p1.y - p0.y;
  if (std::abs(dx) < std::abs(dy)) {
    const int step = dy > 0 ? 1 : -1;
    const double inc = double(dx) / std::abs(dy);
    double x = p0.x;
    for (int y = p0.y;; y += step) {
      path.push_back({int(std::trunc(x)), y});
      if (y == p1.y) break;
      x += inc;
    }
  } else {
    const int step = dx > 0 ? 1 : -1;
    const double inc = double(dy) / std::abs(dx);
    double y = p0.y;
    for (int x = p0.x;; x += step) {
      path.push_back({x, int(std::trunc(y))});
      if (x == p1.x) break;
      y += inc;
    }
  }
  return path;
}

std::vector<Pixel> MoveSlide(Pixel p0, Pixel p1, bool knight) {
  if (!knight) return StraightSlide(p0, p1);
  const Pixel corner{p1.x, p0.y};
  std::vector<Pixel> path = StraightSlide(p0, corner);
  const std::vector<Pixel> up = StraightSlide(corner, p1);
  path.insert(path.end(), up.begin(), up.end());
  return path;
}

}  // namespace tavrel
