// The program's version as an ELF note, for the about box (see file_version.h). Linked into the
// executables themselves: a note in a static library would be dropped by the linker.
#include <cstdint>

#include "version.h"

namespace {

struct VersionNote {
  std::uint32_t namesz;
  std::uint32_t descsz;
  std::uint32_t type;
  char name[8];  // "Tavrel" and its NUL, padded to 4 bytes
  std::uint32_t desc[4];
};

// A section whose name starts with ".note" becomes an SHT_NOTE section.
[[gnu::section(".note.tavrel.version"), gnu::used, gnu::aligned(4)]] const VersionNote kVersion = {
    7,
    16,
    1,
    "Tavrel",
    {TAVREL_VERSION_MAJOR, TAVREL_VERSION_MINOR, TAVREL_VERSION_PATCH, TAVREL_VERSION_TWEAK}};

}  // namespace
