// The version note written at build time and read back from the program file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/file_version.h"
#include "version.h"

using tavrel::ReadFileVersion;

namespace {

std::vector<char> Slurp(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string Write(const std::string& name, const std::vector<char>& bytes) {
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  return path;
}

std::string Expected() {
  return std::to_string(TAVREL_VERSION_MAJOR) + "." + std::to_string(TAVREL_VERSION_MINOR) + "." +
         std::to_string(TAVREL_VERSION_PATCH) + "." + std::to_string(TAVREL_VERSION_TWEAK + 0);
}

}  // namespace

TEST(FileVersion, ProgramWithTheNoteGivesFourNumbers) {
  EXPECT_EQ(ReadFileVersion(VERSION_PROBE), Expected());
  EXPECT_EQ(ReadFileVersion(VERSION_PROBE, "%d.%d.%d.%d"), Expected());
}

TEST(FileVersion, FormatTakesTheNumbersInOrder) {
  EXPECT_EQ(ReadFileVersion(VERSION_PROBE, "v%d-%d"),
            std::string("v")
                .append(std::to_string(TAVREL_VERSION_MAJOR))
                .append("-")
                .append(std::to_string(TAVREL_VERSION_MINOR)));
  EXPECT_EQ(ReadFileVersion(VERSION_PROBE, "100%% %d"),
            std::string("100% ").append(std::to_string(TAVREL_VERSION_MAJOR)));
  // A format asking for more numbers than there are, or for strings, stays plain text.
  EXPECT_EQ(ReadFileVersion(VERSION_PROBE, "%s %d.%d.%d.%d.%d"),
            std::string("%s ").append(Expected()).append(".%d"));
}

TEST(FileVersion, FilesWithoutTheNoteGiveNothing) {
  struct Case {
    const char* name;
    std::string path;
  };
  std::vector<char> probe = Slurp(VERSION_PROBE);
  ASSERT_GT(probe.size(), 1000u);
  std::vector<char> truncated(probe.begin(), probe.begin() + 100);
  std::vector<char> bad_table = probe;
  // The section table far beyond the end of the file.
  for (int i = 0; i < 8; ++i) bad_table.at(0x28 + i) = char(0x7f);
  std::vector<char> big_endian = probe;
  big_endian.at(5) = 2;
  const Case cases[] = {
      {"program without the note", "/proc/self/exe"},
      {"missing file", "/nonexistent/tavrel"},
      {"text file", Write("tavrel-version-text", {'V', 'e', 'r', 's', 'i', 'o', 'n'})},
      {"empty file", Write("tavrel-version-empty", {})},
      {"truncated program", Write("tavrel-version-truncated", truncated)},
      {"section table out of the file", Write("tavrel-version-badtable", bad_table)},
      {"other byte order", Write("tavrel-version-bigendian", big_endian)},
      {"folder", std::filesystem::temp_directory_path().string()},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadFileVersion(c.path), "") << c.name;
}

TEST(FileVersion, DamagedHeadersNeverReadOutsideTheFile) {
  const std::vector<char> probe = Slurp(VERSION_PROBE);
  ASSERT_GT(probe.size(), 0x40u);
  // Every byte of the ELF header, and the header of every section, set to all ones in turn.
  std::uint64_t shoff = 0;
  std::memcpy(&shoff, &probe.at(0x28), sizeof shoff);
  std::vector<std::size_t> spots;
  for (std::size_t i = 0; i < 0x40; ++i) spots.push_back(i);
  for (std::size_t i = shoff; i < probe.size() && i < shoff + 64 * 40; i += 4) spots.push_back(i);
  const std::string path = Write("tavrel-version-damaged", probe);
  for (std::size_t at : spots) {
    std::vector<char> bytes = probe;
    bytes.at(at) = char(0xff);
    Write("tavrel-version-damaged", bytes);
    const std::string v = ReadFileVersion(path);
    EXPECT_TRUE(v.empty() || v == Expected()) << "byte " << at << ": " << v;
  }
}
