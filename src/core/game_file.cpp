// Saved game files: the record's entries byte for byte, header first, then one group of three
// entries per move number.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/chessboard.h"
#include "core/system_reason.h"

namespace tavrel {
namespace {

std::string ErrnoText() {
  return SystemReason(errno);
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Writes bytes to a temporary file beside path and renames it over path, so that a failure
// halfway never leaves a damaged or truncated game behind.
void WriteFileReplacing(const std::string& path, const std::vector<char>& bytes) {
  // A symbolic link stays a link: the file it points to is replaced, beside that file.
  std::string target = path;
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    const auto resolved = std::filesystem::weakly_canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  std::string tmpl = target + ".XXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) throw GameFileError(path, "kann nicht geschrieben werden (" + ErrnoText() + ")");
  // mkstemp creates 0600: keep the mode of the file being replaced, else the usual 0644.
  struct stat st {};
  ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  std::string reason = ok ? "" : ErrnoText();
  if (ok && ::fsync(fd) != 0) ok = false, reason = ErrnoText();
  if (::close(fd) != 0 && ok) ok = false, reason = ErrnoText();
  if (ok && std::rename(tmpl.c_str(), target.c_str()) != 0) ok = false, reason = ErrnoText();
  if (!ok) {
    ::unlink(tmpl.c_str());
    throw GameFileError(path, "Schreiben fehlgeschlagen (" + reason + ")");
  }
}

}  // namespace

void ChessBoard::SaveFile(const std::string& path, bool blackToMoveAtEnd, int groups) const {
  std::vector<char> bytes;
  bytes.reserve(kEntrySize * (1 + kSlotsPerMove * static_cast<size_t>(groups)));
  MoveEntry header = record_->Entries[0][0];
  header.Check = blackToMoveAtEnd ? 1 : 0;
  auto append = [&bytes](const MoveEntry& e) {
    const char* p = reinterpret_cast<const char*>(&e);
    bytes.insert(bytes.end(), p, p + kEntrySize);
  };
  append(header);
  for (int m = 1; m <= groups; ++m)
    for (int s = 0; s < kSlotsPerMove; ++s) append(record_->Entries[m][s]);
  WriteFileReplacing(path, bytes);
}

void ChessBoard::SaveGame(const std::string& path) const {
  SaveFile(path, !whiteToMoveAtEnd_, std::clamp(lastMoveNumber_, 1, kMaxMoveNumber));
}

void ChessBoard::SaveGameUpTo(const std::string& path, int lineIndex) const {
  // Line 2k is White's move k + 1, line 2k + 1 Black's move k + 1; the range is checked before
  // any arithmetic, so that no index can overflow.
  if (lineIndex < -1 || lineIndex > 2 * kMaxMoveNumber - 2)
    throw GameFileError(path, "Zeile " + std::to_string(lineIndex) + " liegt nicht in der Partie");
  const int groups = (lineIndex + 1) / 2 + 1;
  const bool blackToMove = lineIndex >= 0 && lineIndex % 2 == 0;
  SaveFile(path, blackToMove, groups);
}

void ChessBoard::LoadGame(const std::string& path) {
  // Opened without blocking: a named pipe would otherwise wait for a writer forever. Only a
  // regular file is read; a pipe, a device or a folder is refused with its kind.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw GameFileError(path, "kann nicht gelesen werden (" + ErrnoText() + ")");
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0)
    throw GameFileError(path, "kann nicht gelesen werden (" + ErrnoText() + ")");
  if (const std::string kind = NotRegularFileReason(info.st_mode); !kind.empty())
    throw GameFileError(path, "kann nicht gelesen werden (" + kind + ")");
  constexpr uintmax_t kMaxSize = kEntrySize + kGroupSize * kMaxMoveNumber;
  if (static_cast<uintmax_t>(info.st_size) > kMaxSize)
    throw GameFileError(path, "mehr als " + std::to_string(kMaxMoveNumber) + " Züge");
  // One byte more than the size says shows a file that grew while it was read.
  std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size) + 1);
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw GameFileError(path, "Lesefehler (" + ErrnoText() + ")");
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got != static_cast<size_t>(info.st_size))
    throw GameFileError(path, "Lesefehler (Datei hat sich beim Lesen verändert)");
  bytes.pop_back();
  LoadGameBytes(bytes, path);
}

void ChessBoard::LoadGameBytes(std::span<const uint8_t> bytes, const std::string& name) {
  // Everything is checked before the record is touched.
  if (bytes.size() < kEntrySize) throw GameFileError(name, "zu kurz für den Kopfsatz");
  const size_t body = bytes.size() - kEntrySize;
  if (body == 0) throw GameFileError(name, "enthält keinen Zug");
  if (body % kGroupSize != 0)
    throw GameFileError(name, "Länge ist kein Vielfaches einer Zuggruppe (264 Bytes)");
  const size_t groups = body / kGroupSize;
  if (groups > static_cast<size_t>(kMaxMoveNumber))
    throw GameFileError(name, "mehr als " + std::to_string(kMaxMoveNumber) + " Züge");

  std::memcpy(&record_->Entries[0][0], bytes.data(), kEntrySize);
  for (size_t m = 1; m <= groups; ++m)
    std::memcpy(&record_->Entries[m][0], bytes.data() + kEntrySize + (m - 1) * kGroupSize,
                kGroupSize);
  whiteToMoveAtEnd_ = bytes[kHeaderCheckOffset] == 0;
  lastMoveNumber_ = static_cast<int>(groups);
  firstEntryValid_ = true;
  // A game set up with Black to move leaves White's first entry unwritten (length 0).
  const bool empty_game = groups == 1 && whiteToMoveAtEnd_;
  blackStarts_ = !empty_game && record_->Entries[1][0].PositionLength == 0 &&
                 record_->Entries[1][1].PositionLength == 64;
}

}  // namespace tavrel
