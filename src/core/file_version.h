// The four-part version that the program file carries in its ELF note "Tavrel" (written by
// version_note.cpp at build time).
#pragma once

#include <string>

namespace tavrel {

// ELF note of the version: name "Tavrel", type 1, four 32-bit numbers (major, minor, patch,
// tweak) in the file's byte order.
inline constexpr unsigned kVersionNoteType = 1;

// Reads the version of the program file and writes it into format, each "%d" in turn taking
// the next of the four numbers ("%d.%d.%d.%d" gives "1.0.0.0"). A file that cannot be read, is
// no ELF file or has no version note gives "".
std::string ReadFileVersion(const std::string& fileName, const std::string& format = "%d.%d.%d.%d");

}  // namespace tavrel
