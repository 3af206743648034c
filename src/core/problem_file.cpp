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

// Ends a zlib stream (inflateEnd or deflateEnd) on every way out of the function.
template <int (*End)(z_streamp)>
class StreamGuard {
 public:
  explicit StreamGuard(z_stream& zs) : zs_(zs) {}
  ~StreamGuard() { End(&zs_); }
  StreamGuard(const StreamGuard&) = delete;
  StreamGuard& operator=(const StreamGuard&) = delete;

 private:
  z_stream& zs_;
};
using InflateGuard = StreamGuard<inflateEnd>;
using DeflateGuard = StreamGuard<deflateEnd>;

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

// Why opening file failed: a symbolic link whose target is missing is named as one, since
// "not found" for a name that is listed in the folder misleads.
std::string OpenFailure(const fs::path& file, int error) {
  if (error == ENOENT) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(file, ec);
    if (!ec) return "symbolische Verknüpfung auf das nicht vorhandene " + Quoted(target);
  }
  return ErrnoText(error);
}

// Opens a regular file for reading. Opened without blocking: opening a named pipe would
// otherwise wait for a writer forever; a pipe, a device or a folder is refused. Returns -1 and
// the reason in German otherwise.
int OpenRegular(const fs::path& file, std::string& reason) {
  int fd;
  do {
    fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    reason = OpenFailure(file, errno);
    return -1;
  }
  struct stat info {};
  const int stated = ::fstat(fd, &info);
  const int error = errno;
  if (stated != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    reason = stated != 0             ? ErrnoText(error)
             : S_ISDIR(info.st_mode) ? ErrnoText(EISDIR)
                                     : "keine gewöhnliche Datei";
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

class FdGuard {
 public:
  explicit FdGuard(int fd) : fd_(fd) {}
  ~FdGuard() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdGuard(const FdGuard&) = delete;
  FdGuard& operator=(const FdGuard&) = delete;

 private:
  int fd_;
};

// Reads up to size bytes at offset; fewer only at the end of the file. -1 on a read error.
ssize_t ReadAt(int fd, char* buffer, std::size_t size, off_t offset) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, buffer + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

// Both open files hold the same bytes.
bool SameContent(int a, int b) {
  struct stat sa {}, sb {};
  if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0 || sa.st_size != sb.st_size) return false;
  static constexpr std::size_t kChunk = 65536;
  std::vector<char> x(kChunk), y(kChunk);
  for (off_t offset = 0;; offset += static_cast<off_t>(kChunk)) {
    const ssize_t n = ReadAt(a, x.data(), kChunk, offset);
    const ssize_t m = ReadAt(b, y.data(), kChunk, offset);
    if (n < 0 || n != m) return false;
    if (std::memcmp(x.data(), y.data(), static_cast<std::size_t>(n)) != 0) return false;
    if (static_cast<std::size_t>(n) < kChunk) return true;
  }
}

std::string TemporaryName(const fs::path& target, int attempt) {
  static std::atomic<unsigned> counter{0};
  std::string name = ".";
  name.append(target.filename().string()).append(".tmp-").append(std::to_string(::getpid()));
  name.append("-").append(std::to_string(counter++)).append("-").append(std::to_string(attempt));
  return name;
}


// "It cannot be kept aside either", with the reason unless the load error already gave it.
std::string NotKeptText(const std::string& load_error, const fs::path& aside,
                        const std::string& why) {
  std::string text = "Sie kann auch nicht als " + Quoted(aside) + " aufbewahrt werden";
  if (load_error.find(why) == std::string::npos) text += " (" + why + ")";
  return text;
}

fs::path AsideName(const fs::path& working) {
  return fs::path(working) += kDamagedSuffix;
}

// aside already holds exactly the bytes of file.
bool HoldsSameBytes(const fs::path& file, const fs::path& aside) {
  std::string ignored;
  const int a = OpenRegular(file, ignored);
  if (a < 0) return false;
  FdGuard guard_a(a);
  const int b = OpenRegular(aside, ignored);
  if (b < 0) return false;
  FdGuard guard_b(b);
  return SameContent(a, b);
}

// Keeps the bytes of file as aside: copied into a temporary file in aside's folder, compared
// with file, and only then renamed over aside, so that aside is never a copy cut short. Returns
// an empty text, or why not in German.
std::string KeepAside(const fs::path& file, const fs::path& aside) {
  std::string reason;
  const int in = OpenRegular(file, reason);
  if (in < 0) return reason;
  FdGuard in_guard(in);
  struct stat info {};
  if (::fstat(in, &info) != 0) return ErrnoText(errno);
  const fs::path folder = aside.has_parent_path() ? aside.parent_path() : fs::path(".");

  fs::path temporary;
  int out = -1;
  for (int attempt = 0; out < 0; ++attempt) {
    temporary = folder / TemporaryName(aside, attempt);
    out = ::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0 && errno != EINTR && (errno != EEXIST || attempt >= 100))
      return "Kopie nicht anlegbar: " + ErrnoText(errno);
  }
  auto fail = [&](std::string why) {
    ::close(out);
    ::unlink(temporary.c_str());
    return why;
  };
  // Readable for its owner whatever the original's bits, so that it can be restored.
  ::fchmod(out, (info.st_mode & 0777) | S_IRUSR | S_IWUSR);
  std::vector<char> buffer(65536);
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail("Lesefehler: " + ErrnoText(errno));
    if (n == 0) break;
    const char* p = buffer.data();
    while (n > 0) {
      const ssize_t w = ::write(out, p, static_cast<std::size_t>(n));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return fail("Kopie nicht schreibbar: " + ErrnoText(w < 0 ? errno : EIO));
      p += w;
      n -= w;
    }
  }
  if (::fsync(out) != 0) return fail("Kopie nicht schreibbar: " + ErrnoText(errno));
  if (!SameContent(in, out)) return fail("Kopie weicht von der Datei ab");
  if (::close(out) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return "Kopie nicht schreibbar: " + ErrnoText(error);
  }
  if (::rename(temporary.c_str(), aside.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return "Kopie nicht umbenennbar: " + ErrnoText(error);
  }
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return {};
}

}  // namespace

EFileError::EFileError(const std::string& action, const fs::path& file, const std::string& reason)
    : std::runtime_error("Datei " + Quoted(file) + " " + action + ": " + reason), file_(file) {}

ECollectionTooLarge::ECollectionTooLarge(const fs::path& file, const std::string& what_is_too_much)
    : std::runtime_error("Die Problemsammlung " + Quoted(file) + " ist zu groß (" +
                         what_is_too_much + ") und wird nicht geladen.") {}

ECollectionRefused::ECollectionRefused(const std::string& message, bool kept_aside,
                                       std::exception_ptr cause)
    : std::runtime_error(message), kept_aside_(kept_aside), cause_(std::move(cause)) {}

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
  // Anything under the name counts, a link without a target too: it is the user's, and
  // writing the shipped collection there would replace it unasked.
  if (fs::exists(fs::symlink_status(working, ignored))) {
    try {
      LoadCompressedList(list, working);
    } catch (const std::exception& e) {
      // The next stored problem would replace a file this program cannot read, losing every
      // problem the user added: its bytes are kept aside first, or storing is refused.
      const fs::path aside = AsideName(working);
      const std::string why = HoldsSameBytes(working, aside) ? "" : KeepAside(working, aside);
      std::string text = ErrorMessage(e) + "\n";
      if (why.empty()) {
        text += "Eine unveränderte Kopie liegt in " + Quoted(aside) +
                "; neu gespeicherte Probleme beginnen eine neue Sammlung.";
      } else {
        text += NotKeptText(text, aside, why) +
                ". Neue Probleme werden darum nicht in die Sammlung gespeichert; " +
                Quoted(working) + " bleibt unverändert.";
      }
      throw ECollectionRefused(text, why.empty(), std::current_exception());
    }
    return;
  }
  LoadCompressedList(list, exe_folder / kProblemFileName);
  SaveCompressedList(list, working);
}

bool WriteBackProblemCollection(const ProblemList& list, const fs::path& data_folder,
                                std::string* note) {
  const fs::path working = data_folder / kProblemFileName;
  std::error_code ignored;
  if (!fs::exists(fs::symlink_status(working, ignored))) return false;
  // Read first: a file that is no readable collection is replaced only once its bytes are
  // kept aside (at start-up, or now).
  try {
    ProblemList stored;
    LoadCompressedList(stored, working);
  } catch (const std::exception& e) {
    const fs::path aside = AsideName(working);
    if (!HoldsSameBytes(working, aside)) {
      const std::string why = KeepAside(working, aside);
      if (!why.empty()) {
        // The zlib errors' own first line "error" says nothing in the middle of this text.
        std::string reason = ErrorMessage(e);
        if (dynamic_cast<const EZlibError*>(&e) != nullptr && reason.starts_with("error\n"))
          reason.erase(0, 6);
        throw ECollectionRefused(std::string(kNotSavableMessage) + ".\n" + reason + "\n" +
                                     NotKeptText(reason, aside, why) + "; " + Quoted(working) +
                                     " bleibt unverändert.",
                                 false, std::current_exception());
      }
      if (note != nullptr)
        *note = "Die bisherige Datei " + Quoted(working) + " liegt unverändert in " +
                Quoted(aside) + ".";
    }
  }
  SaveCompressedList(list, working);
  return true;
}

std::string ReadWholeFile(const fs::path& file, std::size_t max_size) {
  std::string reason;
  const int fd = OpenRegular(file, reason);
  if (fd < 0) throw EFileError("kann nicht geöffnet werden", file, reason);
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
