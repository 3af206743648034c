#pragma once
// The problem collection file "mtavrel.c00" and the list it holds in memory.
//
// The file is exactly one zlib stream (RFC 1950). Its text is the list's lines in Windows-1252,
// each line followed by CR LF. Three lines make one problem: the title, the number of moves N of
// the mate (White to move), and the 64-character board text (a8..h8, a7..h1). In memory the
// lines are UTF-8, like every other string of the program.
//
// Errors are reported by exceptions; nothing here logs or shows anything.
//  - EFileError: a file cannot be opened, read, created or written. what() names the file and
//    the reason in German, ready for a message box, e.g.
//      Datei „/home/u/.local/share/Orvanel 2014/mtavrel.c00“ kann nicht geöffnet werden: Datei
//      oder Ordner nicht vorhanden
//  - ECompressionError / EDecompressionError (base EZlibError): what() is "error", the message
//    the program has always shown for them. They carry the reason (reason()) and, when raised
//    while loading or saving a file, the file (file()); the loader and the saver add the file
//    name and rethrow. Show ErrorMessage(e) in the message box: it is what() for every
//    exception and adds the file and the reason for the zlib errors:
//      error
//      Datei „/home/u/.local/share/Orvanel 2014/mtavrel.c00“: Daten beschädigt (zlib-Fehler -3)
//
// Limits: a collection whose text is larger than kMaxProblemText (16 MiB) or that holds more
// than kMaxProblems problems is refused with ECollectionTooLarge (a German message), so that a
// small file that expands hugely can neither exhaust memory nor hold up the start for long.
//
// Everything runs on the calling thread; no function keeps state between calls.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// The problem collection in memory: UTF-8 lines, three per problem, order as in the file.
using ProblemList = std::vector<std::string>;

inline constexpr char kProblemFileName[] = "mtavrel.c00";
// Shown when a new problem cannot be written back because the working copy has gone.
inline constexpr char kNotSavableMessage[] = "Änderung nicht speicherbar";
// Largest unpacked text the loader accepts.
inline constexpr std::size_t kMaxProblemText = std::size_t{16} << 20;
// Most problems a collection may hold (three lines each; a last incomplete group counts).
inline constexpr std::size_t kMaxProblems = 100000;

// A file could not be opened, read, created or written.
class EFileError : public std::runtime_error {
 public:
  // what() = "Datei „" + file + "“ " + action + ": " + reason, e.g.
  // Datei „x“ kann nicht geöffnet werden: ist ein Ordner
  EFileError(const std::string& action, const std::filesystem::path& file,
             const std::string& reason);
  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

// Failure inside zlib or a refused stream. what() is always "error".
class EZlibError : public std::runtime_error {
 public:
  explicit EZlibError(std::string reason);
  // Why it failed, e.g. "Daten unvollständig (unerwartetes Ende)".
  const std::string& reason() const { return reason_; }
  // The file being read or written; empty when the error came from a buffer operation.
  const std::filesystem::path& file() const { return file_; }
  void SetFile(const std::filesystem::path& file) { file_ = file; }

 private:
  std::string reason_;
  std::filesystem::path file_;
};

class ECompressionError : public EZlibError {
 public:
  using EZlibError::EZlibError;
};

class EDecompressionError : public EZlibError {
 public:
  using EZlibError::EZlibError;
};

// The decompressed output would pass the bound given to InflateBuffer.
class EOutputTooLarge : public EDecompressionError {
 public:
  using EDecompressionError::EDecompressionError;
};

// A collection beyond the limits above. what() is the German message for the box, e.g.
//   Die Problemsammlung "/home/u/.../mtavrel.c00" ist zu groß (mehr als 100000 Probleme)
//   und wird nicht geladen.
class ECollectionTooLarge : public std::runtime_error {
 public:
  ECollectionTooLarge(const std::filesystem::path& file, const std::string& what_is_too_much);
};

// The working copy is no collection this program can read (StartProblemCollection), or a new
// problem is not stored because that copy could not be kept aside (WriteBackProblemCollection).
// what() is the German message for the box: the reason, where the old bytes are, and whether
// new problems can be stored.
class ECollectionRefused : public std::runtime_error {
 public:
  ECollectionRefused(const std::string& message, bool kept_aside, std::exception_ptr cause);
  // The bytes of the working copy lie unchanged in mtavrel.c00 + kDamagedSuffix.
  bool kept_aside() const { return kept_aside_; }
  // The loader's error (EFileError, EDecompressionError, ECollectionTooLarge).
  const std::exception_ptr& cause() const { return cause_; }

 private:
  bool kept_aside_;
  std::exception_ptr cause_;
};

// Text for a message box: what(), and for EZlibError also the file and the reason.
std::string ErrorMessage(const std::exception& e);

// Growable byte buffer with a read/write position, the shape the stream helpers work on.
struct MemoryStream {
  std::vector<std::uint8_t> data;
  std::size_t position = 0;

  // Writes at the position (overwriting, then extending) and advances it.
  void Write(const std::uint8_t* bytes, std::size_t count);
};

// Whole-buffer zlib compression: level 9, method 8, window 15 bits, memory level 8, default
// strategy, so the output begins with 0x78 0xDA. Throws ECompressionError.
std::vector<std::uint8_t> DeflateBuffer(const std::uint8_t* input, std::size_t size);

// Whole-buffer zlib decompression of one stream; bytes after its end are ignored. Throws
// EDecompressionError for damaged, truncated or foreign data (empty input included) and when the
// output would exceed max_output.
std::vector<std::uint8_t> InflateBuffer(const std::uint8_t* input, std::size_t size,
                                        std::size_t max_output = kMaxProblemText);

// Compresses all of source (from its beginning, whatever its position) and appends the result
// to target; target's position is then 0.
void CompressStream(const MemoryStream& source, MemoryStream& target);

// Decompresses source from its position to its end into target at target's position; nothing
// is written when no bytes remain. Source ends at its end, target's position is then 0.
void DecompressStream(MemoryStream& source, MemoryStream& target);

// Windows-1252 <-> UTF-8 through iconv. Bytes without a character (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) read as U+FFFD; characters outside Windows-1252 and invalid UTF-8 are written as "?".
std::string Windows1252ToUtf8(std::string_view text);
std::string Utf8ToWindows1252(std::string_view text);

// The file's text (Windows-1252) from a list: every line followed by CR LF. CR, LF and NUL
// inside a line become blanks, so a line can never split into two and shift every later problem.
std::string ListToText(const ProblemList& list);
// How many lines TextToList makes of text, without making them.
std::size_t CountLines(std::string_view text);
// The list from the file's text: a line ends at CR, LF or CR LF; a NUL ends the text; text after
// the last line end is one more line. An empty text gives an empty list.
ProblemList TextToList(std::string_view text);

// Replaces list with the lines of the file. The file is read whole, at most about 17 MiB.
// Throws EFileError (missing, unreadable), EDecompressionError (file set) or
// ECollectionTooLarge; list is then unchanged. An empty file is an empty collection, not an
// error.
void LoadCompressedList(ProblemList& list, const std::filesystem::path& file);

// Writes list as the complete file. The bytes go to a temporary file in the same folder that is
// then renamed over the target, so a failed write leaves the previous file as it was. Throws
// EFileError or ECompressionError.
void SaveCompressedList(const ProblemList& list, const std::filesystem::path& file);

// Titles for the problem list box: lines 0, 3, 6, ... (an incomplete last group included).
std::vector<std::string> ProblemTitles(const ProblemList& list);

// Start-up of the main window, after its folders are known (ExeFolder(), DataFolder(); a
// trailing separator is fine):
//  1. creates data_folder if it is missing (one level; a failure is ignored here and surfaces
//     when the working copy is written);
//  2. empties list;
//  3. loads the working copy data_folder/mtavrel.c00 if anything has that name (a symbolic link
//     without a target included);
//  4. otherwise loads the shipped exe_folder/mtavrel.c00 and writes it to the working copy with
//     SaveCompressedList (so the working copy always comes from this program's compressor).
// A working copy that cannot be loaded (unreadable, damaged, too large, not a regular file, a
// link without a target) leaves list empty and throws ECollectionRefused: its bytes are first
// copied to mtavrel.c00 + kDamagedSuffix, checked, since storing a new problem replaces the
// working copy; where that fails, the message says storing will be refused.
// Otherwise throws what LoadCompressedList / SaveCompressedList throw. On an exception list
// holds what was loaded: nothing when loading failed, the shipped collection when only writing
// the working copy failed. Fill the list box (ProblemTitles) from list in both cases, then show
// the error.
inline constexpr const char* kDamagedSuffix = ".defekt";
void StartProblemCollection(ProblemList& list, const std::filesystem::path& exe_folder,
                            const std::filesystem::path& data_folder);

// Write-back after a new problem was appended to list. Returns false, writing nothing, when the
// working copy data_folder/mtavrel.c00 no longer exists: show kNotSavableMessage then; the new
// problem stays in memory. The working copy is replaced only if it loads as a collection or its
// bytes lie in mtavrel.c00 + kDamagedSuffix; they are copied there now if need be, and note (if
// given) then tells so. Where they cannot be kept aside, throws ECollectionRefused and writes
// nothing. Throws what SaveCompressedList throws; the old file then stays intact.
bool WriteBackProblemCollection(const ProblemList& list, const std::filesystem::path& data_folder,
                                std::string* note = nullptr);

// File helpers, shared with the settings file.
// Reads a whole regular file; throws EFileError ("kann nicht geöffnet/gelesen werden"), also
// when it is larger than max_size. A symbolic link without a target is named as such.
std::string ReadWholeFile(const std::filesystem::path& file, std::size_t max_size);
// Writes bytes as the complete file through a temporary file in the same folder and a rename.
// Keeps the permission bits of an existing file. Throws EFileError ("kann nicht angelegt
// werden", "kann nicht geschrieben werden"); the temporary file is removed and the old file is
// untouched.
void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace tavrel
