#include "core/problem_file.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <system_error>

#include "core/system_reason.h"

namespace tavrel {

namespace fs = std::filesystem;

namespace {

// The compressed file may be a little larger than its text (stored blocks), never much more.
constexpr std::size_t kMaxProblemFile = kMaxProblemText + (std::size_t{1} << 20);

std::string ErrnoText(int error) {
  return SystemReason(error);
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) on chains of "literal" + std::string.
std::string Quoted(const fs::path& file) {
  std::string text = "„";
  text.append(file.string()).append("“");
  return text;
}

// zlib counts in uInt; larger buffers are fed in pieces.
uInt Chunk(std::size_t remaining) {
  return static_cast<uInt>(std::min<std::size_t>(remaining, UINT_MAX));
}

// zlib's own texts are English: the common ones in German, the rest by their kind.
std::string ZlibReason(const char* what, int code, const z_stream& zs) {
  std::string text = what;
  if (code == Z_MEM_ERROR) return text + " (zu wenig Arbeitsspeicher)";
  const std::string_view msg = zs.msg != nullptr ? zs.msg : "";
  if (msg == "incorrect header check") return text + " (kein zlib-Kopf)";
  if (msg == "incorrect data check") return text + " (Prüfsumme falsch)";
  if (msg == "unknown compression method") return text + " (unbekanntes Packverfahren)";
  if (msg.starts_with("invalid")) return text + " (ungültige gepackte Daten)";
  return text + " (zlib-Fehler " + std::to_string(code) + ")";
}

class InflateGuard {
 public:
  explicit InflateGuard(z_stream& zs) : zs_(zs) {}
  ~InflateGuard() { inflateEnd(&zs_); }
  InflateGuard(const InflateGuard&) = delete;
  InflateGuard& operator=(const InflateGuard&) = delete;

 private:
  z_stream& zs_;
};

class DeflateGuard {
 public:
  explicit DeflateGuard(z_stream& zs) : zs_(zs) {}
  ~DeflateGuard() { deflateEnd(&zs_); }
  DeflateGuard(const DeflateGuard&) = delete;
  DeflateGuard& operator=(const DeflateGuard&) = delete;

 private:
  z_stream& zs_;
};

// Length of the (possibly broken) UTF-8 sequence at p that iconv refused: its valid prefix,
// at least one byte, so a broken sequence never swallows the character after it.
std::size_t Utf8Skip(const unsigned char* p, std::size_t left) {
  std::size_t want = 1;
  if (p[0] >= 0xC2 && p[0] <= 0xDF) {
    want = 2;
  } else if (p[0] >= 0xE0 && p[0] <= 0xEF) {
    want = 3;
  } else if (p[0] >= 0xF0 && p[0] <= 0xF4) {
    want = 4;
  }
  std::size_t n = 1;
  while (n < want && n < left && (p[n] & 0xC0) == 0x80) ++n;
  return n;
}

std::string Convert(std::string_view input, const char* to, const char* from,
                    std::string_view replacement, bool utf8_input) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("Zeichensatz ") + from + " kann nicht in " + to +
                             " umgewandelt werden");
  }
  std::string out(input.size() * (utf8_input ? 1 : 3) + 16, '\0');
  std::size_t used = 0;
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  while (in_left > 0) {
    char* out_ptr = out.data() + used;
    std::size_t out_left = out.size() - used;
    std::size_t result = iconv(cd, &in, &in_left, &out_ptr, &out_left);
    used = static_cast<std::size_t>(out_ptr - out.data());
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else if (errno == EILSEQ || errno == EINVAL) {
      // A character without an equivalent, or a broken sequence: stand-in, then go on.
      if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
      out.replace(used, replacement.size(), replacement);
      used += replacement.size();
      std::size_t skip =
          utf8_input ? Utf8Skip(reinterpret_cast<const unsigned char*>(in), in_left) : 1;
      in += skip;
      in_left -= skip;
    } else {
      int error = errno;
      iconv_close(cd);
      throw std::runtime_error("Zeichensatzumwandlung: " + ErrnoText(error));
    }
  }
  iconv_close(cd);
  out.resize(used);
  return out;
}

int OpenOrThrow(const fs::path& file, int flags, mode_t mode, const char* action,
                const fs::path& shown) {
  int fd;
  do {
    fd = ::open(file.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw EFileError(action, shown, ErrnoText(errno));
  return fd;
}

std::string TemporaryName(const fs::path& target, int attempt) {
  static std::atomic<unsigned> counter{0};
  std::string name = ".";
  name.append(target.filename().string()).append(".tmp-").append(std::to_string(::getpid()));
  name.append("-").append(std::to_string(counter++)).append("-").append(std::to_string(attempt));
  return name;
}

}  // namespace

EFileError::EFileError(const std::string& action, const fs::path& file, const std::string& reason)
    : std::runtime_error("Datei " + Quoted(file) + " " + action + ": " + reason), file_(file) {}

ECollectionTooLarge::ECollectionTooLarge(const fs::path& file, const std::string& what_is_too_much)
    : std::runtime_error("Die Problemsammlung " + Quoted(file) + " ist zu groß (" +
                         what_is_too_much + ") und wird nicht geladen.") {}

EZlibError::EZlibError(std::string reason)
    : std::runtime_error("error"), reason_(std::move(reason)) {}

std::string ErrorMessage(const std::exception& e) {
  const auto* zlib = dynamic_cast<const EZlibError*>(&e);
  if (zlib == nullptr) return e.what();
  std::string text = std::string(e.what()) + "\n";
  if (!zlib->file().empty()) text += "Datei " + Quoted(zlib->file()) + ": ";
  return text + zlib->reason();
}

void MemoryStream::Write(const std::uint8_t* bytes, std::size_t count) {
  if (count == 0) return;
  if (position + count > data.size()) data.resize(position + count);
  std::memcpy(data.data() + position, bytes, count);
  position += count;
}

std::vector<std::uint8_t> DeflateBuffer(const std::uint8_t* input, std::size_t size) {
  z_stream zs{};
  int rc = deflateInit2(&zs, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) throw ECompressionError(ZlibReason("Packen fehlgeschlagen", rc, zs));
  DeflateGuard guard(zs);

  std::vector<std::uint8_t> out((size + size / 10 + 12 + 255) & ~std::size_t{255});
  zs.next_out = out.data();
  zs.avail_out = Chunk(out.size());
  std::size_t fed = 0;
  for (;;) {
    if (zs.avail_in == 0 && fed < size) {
      zs.next_in = const_cast<Bytef*>(input + fed);
      zs.avail_in = Chunk(size - fed);
      fed += zs.avail_in;
    }
    if (zs.avail_out == 0) {
      std::size_t produced = out.size();
      out.resize(produced + 256);
      zs.next_out = out.data() + produced;
      zs.avail_out = 256;
    }
    // Z_FINISH only once zlib holds the last piece of the input.
    rc = deflate(&zs, fed == size ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_END) break;
    if (rc == Z_OK || (rc == Z_BUF_ERROR && zs.avail_out == 0)) continue;
    throw ECompressionError(ZlibReason("Packen fehlgeschlagen", rc, zs));
  }
  out.resize(out.size() - zs.avail_out);
  return out;
}

std::vector<std::uint8_t> InflateBuffer(const std::uint8_t* input, std::size_t size,
                                        std::size_t max_output) {
  z_stream zs{};
  int rc = inflateInit(&zs);
  if (rc != Z_OK) throw EDecompressionError(ZlibReason("Entpacken fehlgeschlagen", rc, zs));
  InflateGuard guard(zs);

  // The output grows by the input size rounded to 256 bytes, but never past one byte beyond
  // the bound: that byte tells "exactly at the bound" from "too large".
  const std::size_t increment = std::max<std::size_t>((size + 255) & ~std::size_t{255}, 256);
  const std::size_t capacity_limit = max_output == SIZE_MAX ? SIZE_MAX : max_output + 1;
  std::vector<std::uint8_t> out;
  std::size_t fed = 0;
  for (;;) {
    if (zs.avail_in == 0 && fed < size) {
      zs.next_in = const_cast<Bytef*>(input + fed);
      zs.avail_in = Chunk(size - fed);
      fed += zs.avail_in;
    }
    if (zs.avail_out == 0) {
      std::size_t produced = out.size();
      if (produced >= capacity_limit) {
        throw EOutputTooLarge("entpackter Text größer als " + std::to_string(max_output >> 20) +
                              " MiB (" + std::to_string(max_output) + " Bytes)");
      }
      out.resize(produced + std::min(increment, capacity_limit - produced));
      zs.next_out = out.data() + produced;
      zs.avail_out = Chunk(out.size() - produced);
    }
    rc = inflate(&zs, Z_FINISH);
    if (rc == Z_STREAM_END) break;
    if (rc == Z_OK || rc == Z_BUF_ERROR) {
      if (zs.avail_out == 0 || zs.avail_in > 0 || fed < size) continue;
      throw EDecompressionError(size == 0 ? "keine Daten"
                                          : "Daten unvollständig (unerwartetes Ende)");
    }
    if (rc == Z_NEED_DICT)
      throw EDecompressionError("Daten brauchen ein voreingestelltes Wörterbuch");
    if (rc == Z_DATA_ERROR) throw EDecompressionError(ZlibReason("Daten beschädigt", rc, zs));
    throw EDecompressionError(ZlibReason("Entpacken fehlgeschlagen", rc, zs));
  }
  out.resize(out.size() - zs.avail_out);
  if (out.size() > max_output) {
    throw EOutputTooLarge("entpackter Text größer als " + std::to_string(max_output >> 20) +
                          " MiB (" + std::to_string(max_output) + " Bytes)");
  }
  return out;
}

void CompressStream(const MemoryStream& source, MemoryStream& target) {
  std::vector<std::uint8_t> packed = DeflateBuffer(source.data.data(), source.data.size());
  target.position = target.data.size();
  target.Write(packed.data(), packed.size());
  target.position = 0;
}

void DecompressStream(MemoryStream& source, MemoryStream& target) {
  std::size_t start = std::min(source.position, source.data.size());
  std::size_t count = source.data.size() - start;
  if (count > 0) {
    std::vector<std::uint8_t> text = InflateBuffer(source.data.data() + start, count);
    target.Write(text.data(), text.size());
  }
  source.position = source.data.size();
  target.position = 0;
}

std::string Windows1252ToUtf8(std::string_view text) {
  return Convert(text, "UTF-8", "WINDOWS-1252", "\xEF\xBF\xBD", false);
}

std::string Utf8ToWindows1252(std::string_view text) {
  return Convert(text, "WINDOWS-1252", "UTF-8", "?", true);
}

std::string ListToText(const ProblemList& list) {
  std::string text;
  for (const std::string& line : list) {
    std::size_t start = text.size();
    text += line;
    std::replace_if(
        text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
        [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    text += "\r\n";
  }
  return Utf8ToWindows1252(text);
}

std::size_t CountLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::size_t lines = 0, start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    ++lines;
    if (end == std::string_view::npos) break;
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

ProblemList TextToList(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  const std::string utf8 = Windows1252ToUtf8(text);
  ProblemList list;
  std::size_t start = 0;
  while (start < utf8.size()) {
    std::size_t end = utf8.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      list.push_back(utf8.substr(start));
      break;
    }
    list.push_back(utf8.substr(start, end - start));
    start = end + 1;
    if (utf8[end] == '\r' && start < utf8.size() && utf8[start] == '\n') ++start;
  }
  return list;
}

void LoadCompressedList(ProblemList& list, const fs::path& file) {
  const std::string bytes = ReadWholeFile(file, kMaxProblemFile);
  MemoryStream source;
  source.data.assign(bytes.begin(), bytes.end());
  MemoryStream target;
  try {
    DecompressStream(source, target);
  } catch (const EOutputTooLarge&) {
    throw ECollectionTooLarge(file,
                              "mehr als " + std::to_string(kMaxProblemText >> 20) + " MiB Text");
  } catch (EZlibError& e) {
    e.SetFile(file);
    throw;
  }
  const std::string_view text(reinterpret_cast<const char*>(target.data.data()),
                              target.data.size());
  // Counted before any line is built, so that millions of empty lines cost no more than a scan.
  if (CountLines(text) > 3 * kMaxProblems)
    throw ECollectionTooLarge(file, "mehr als " + std::to_string(kMaxProblems) + " Probleme");
  list = TextToList(text);
}

void SaveCompressedList(const ProblemList& list, const fs::path& file) {
  const std::string text = ListToText(list);
  MemoryStream source;
  source.data.assign(text.begin(), text.end());
  MemoryStream target;
  try {
    CompressStream(source, target);
  } catch (EZlibError& e) {
    e.SetFile(file);
    throw;
  }
  WriteFileAtomically(file, std::string_view(reinterpret_cast<const char*>(target.data.data()),
                                             target.data.size()));
}

std::vector<std::string> ProblemTitles(const ProblemList& list) {
  std::vector<std::string> titles;
  for (std::size_t i = 0; i < list.size(); i += 3) titles.push_back(list[i]);
  return titles;
}

void StartProblemCollection(ProblemList& list, const fs::path& exe_folder,
                            const fs::path& data_folder) {
  std::error_code ignored;
  fs::create_directory(data_folder, ignored);
  list.clear();
  const fs::path working = data_folder / kProblemFileName;
  if (fs::exists(working, ignored)) {
    try {
      LoadCompressedList(list, working);
    } catch (const EFileError&) {
      throw;  // unreadable: its bytes are not at risk
    } catch (...) {
      // A damaged or refused working copy would be overwritten by the next stored problem,
      // losing every problem the user added: its bytes are kept aside first.
      fs::copy_file(working, fs::path(working) += kDamagedSuffix,
                    fs::copy_options::overwrite_existing, ignored);
      throw;
    }
    return;
  }
  LoadCompressedList(list, exe_folder / kProblemFileName);
  SaveCompressedList(list, working);
}

bool WriteBackProblemCollection(const ProblemList& list, const fs::path& data_folder) {
  const fs::path working = data_folder / kProblemFileName;
  std::error_code ignored;
  if (!fs::exists(working, ignored)) return false;
  SaveCompressedList(list, working);
  return true;
}

std::string ReadWholeFile(const fs::path& file, std::size_t max_size) {
  // Opened without blocking: opening a named pipe would otherwise wait for a writer forever.
  // Only regular files are read; a pipe, a device or a folder is refused.
  int fd = OpenOrThrow(file, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0,
                       "kann nicht geöffnet werden", file);
  struct stat info {};
  const int stated = ::fstat(fd, &info);
  const int error = errno;
  if (stated != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    const std::string reason = stated != 0             ? ErrnoText(error)
                               : S_ISDIR(info.st_mode) ? ErrnoText(EISDIR)
                                                       : "keine gewöhnliche Datei";
    throw EFileError("kann nicht geöffnet werden", file, reason);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      ::close(fd);
      throw EFileError("kann nicht gelesen werden", file, ErrnoText(error));
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > max_size) {
      ::close(fd);
      throw EFileError("kann nicht gelesen werden", file,
                       "größer als " + std::to_string(max_size) + " Bytes");
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

void WriteFileAtomically(const fs::path& file, std::string_view bytes) {
  // Replace what a symbolic link points to, not the link itself.
  fs::path target = file;
  std::error_code ec;
  if (fs::is_symlink(file, ec)) {
    fs::path resolved = fs::weakly_canonical(file, ec);
    if (!ec) target = resolved;
  }
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

  struct stat old {};
  const bool had_file = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  const mode_t mode = had_file ? (old.st_mode & 07777) : 0666;

  fs::path temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temporary = folder / TemporaryName(target, attempt);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, had_file ? 0600 : mode);
    if (fd < 0 && errno != EINTR && (errno != EEXIST || attempt >= 100)) {
      throw EFileError("kann nicht angelegt werden", file, ErrnoText(errno));
    }
  }
  auto fail = [&](int error) {
    ::close(fd);
    ::unlink(temporary.c_str());
    throw EFileError("kann nicht geschrieben werden", file, ErrnoText(error));
  };
  if (had_file && ::fchmod(fd, mode) != 0) fail(errno);
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(n < 0 ? errno : EIO);
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) fail(errno);
  if (::close(fd) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    throw EFileError("kann nicht geschrieben werden", file, ErrnoText(error));
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    int error = errno;
    ::unlink(temporary.c_str());
    throw EFileError("kann nicht geschrieben werden", file, ErrnoText(error));
  }
  // Make the rename itself durable; a failure here loses nothing that is not already on disk.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace tavrel
