// Runs the game-file fuzz target on fixed and pseudo-random inputs in every build, so the
// target keeps compiling and its checks hold without a fuzzing toolchain.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(FuzzGameFileSmoke, SeedsAndRandomBytes) {
  uint32_t seed = 7;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  for (size_t size : {0, 1, 87, 88, 89, 351, 352, 353, 616, 880, 2000}) {
    std::vector<uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<uint8_t>(next() >> 24);
    EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
    // Mostly blanks and piece letters, so the rules get real positions to chew on.
    static const char kChars[] = " PNBRQKpnbrqk";
    for (size_t i = 0; i < size; ++i)
      bytes[i] = (i % 88 == 0) ? 64 : static_cast<uint8_t>(kChars[(next() >> 24) % 13]);
    EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
  }
}
