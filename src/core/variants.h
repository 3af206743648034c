// The seven start-position variants of the menu "Varianten".
#pragma once

#include <span>
#include <string_view>

namespace tavrel {

struct VariantInfo {
  std::string_view MenuItem;  // component name of the menu item
  std::string_view Caption;   // menu text
  std::string_view Board;     // 64-character board text, a8..h8, a7, ..., h1
  bool SeparatorAfter;        // a menu separator follows this item
};

// All seven, in menu order.
std::span<const VariantInfo> Variants();

}  // namespace tavrel
