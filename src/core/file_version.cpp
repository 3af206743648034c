#include "core/file_version.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

namespace tavrel {

namespace {

constexpr std::uint32_t kShtNote = 7;
constexpr std::size_t kMaxNoteSection = 1 << 20;

// Little-endian reads from a byte buffer; the caller checks the bounds.
std::uint64_t Le(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

class ElfReader {
 public:
  explicit ElfReader(const std::string& name) : in_(name, std::ios::binary) {
    if (in_) {
      in_.seekg(0, std::ios::end);
      size_ = static_cast<std::uint64_t>(in_.tellg());
    }
  }

  std::optional<std::vector<unsigned char>> Read(std::uint64_t offset, std::uint64_t length) {
    if (!in_ || offset > size_ || length > size_ - offset) return std::nullopt;
    std::vector<unsigned char> buf(length);
    in_.seekg(static_cast<std::streamoff>(offset));
    if (!in_.read(reinterpret_cast<char*>(buf.data()), static_cast<std::streamsize>(length)))
      return std::nullopt;
    return buf;
  }

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

// Looks through the notes of one SHT_NOTE section for the version note.
std::optional<std::array<std::uint32_t, 4>> FindVersion(const std::vector<unsigned char>& s,
                                                        std::uint64_t align) {
  auto pad = [align](std::uint64_t n) { return (n + align - 1) / align * align; };
  for (std::uint64_t at = 0; at + 12 <= s.size();) {
    const std::uint64_t namesz = Le(&s[at], 4), descsz = Le(&s[at + 4], 4);
    const std::uint64_t type = Le(&s[at + 8], 4);
    const std::uint64_t name = at + 12, desc = name + pad(namesz);
    if (desc > s.size() || descsz > s.size() - desc) break;
    if (type == kVersionNoteType && namesz == 7 && descsz == 16 &&
        std::memcmp(&s[name], "Tavrel", 7) == 0) {
      std::array<std::uint32_t, 4> v;
      for (int i = 0; i < 4; ++i) v[i] = std::uint32_t(Le(&s[desc + 4 * i], 4));
      return v;
    }
    at = desc + pad(descsz);
  }
  return std::nullopt;
}

std::optional<std::array<std::uint32_t, 4>> ReadVersionNote(const std::string& fileName) {
  ElfReader elf(fileName);
  const auto ident = elf.Read(0, 64);
  if (!ident || std::memcmp(ident->data(),
                            "\x7f"
                            "ELF",
                            4) != 0)
    return std::nullopt;
  const bool wide = (*ident)[4] == 2;                                        // ELFCLASS64
  if ((!wide && (*ident)[4] != 1) || (*ident)[5] != 1) return std::nullopt;  // little-endian
  const unsigned char* h = ident->data();
  const std::uint64_t shoff = wide ? Le(h + 0x28, 8) : Le(h + 0x20, 4);
  const std::uint64_t shentsize = Le(h + (wide ? 0x3A : 0x2E), 2);
  const std::uint64_t shnum = Le(h + (wide ? 0x3C : 0x30), 2);
  if (shoff == 0 || shnum == 0 || shentsize < (wide ? 64u : 40u)) return std::nullopt;
  const auto table = elf.Read(shoff, shnum * shentsize);
  if (!table) return std::nullopt;
  for (std::uint64_t i = 0; i < shnum; ++i) {
    const unsigned char* sh = table->data() + i * shentsize;
    if (Le(sh + 4, 4) != kShtNote) continue;
    const std::uint64_t offset = wide ? Le(sh + 0x18, 8) : Le(sh + 0x10, 4);
    const std::uint64_t size = wide ? Le(sh + 0x20, 8) : Le(sh + 0x14, 4);
    const std::uint64_t align = (wide ? Le(sh + 0x30, 8) : Le(sh + 0x20, 4)) == 8 ? 8 : 4;
    if (size > kMaxNoteSection) continue;
    const auto notes = elf.Read(offset, size);
    if (!notes) continue;
    if (auto v = FindVersion(*notes, align)) return v;
  }
  return std::nullopt;
}

}  // namespace

std::string ReadFileVersion(const std::string& fileName, const std::string& format) {
  const auto version = ReadVersionNote(fileName);
  if (!version) return {};
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd' && next < 4) {
      out += std::to_string((*version)[next++]);
      ++i;
    } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
    } else {
      out += format[i];
    }
  }
  return out;
}

}  // namespace tavrel
