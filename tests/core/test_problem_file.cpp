#include "core/problem_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>

namespace tavrel {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& file, std::string_view bytes) {
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Bytes ToBytes(std::string_view s) {
  return Bytes(s.begin(), s.end());
}
std::string ToString(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

std::string Inflated(const fs::path& file) {
  const Bytes packed = ToBytes(ReadAll(file));
  return ToString(InflateBuffer(packed.data(), packed.size()));
}

// A zlib stream from zlib's own one-shot compressor at the given level (another writer than ours).
std::string ForeignCompress(std::string_view text, int level) {
  uLongf size = compressBound(text.size());
  Bytes out(size);
  EXPECT_EQ(
      compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), text.size(), level),
      Z_OK);
  out.resize(size);
  return ToString(out);
}

const ProblemList kTwoProblems = {
    "0. Grundreihenmatt", "1", "      k      ppp                                        R     K ",
    "1. Turmleiter",      "2", "    k                                            R      R     K "};

class ProblemFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tavrel-problems-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
};

// ---- Round trip and byte format -------------------------------------------------------------

struct RoundTripCase {
  const char* name;
  ProblemList list;
};

class RoundTrip : public ProblemFileTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(RoundTrip, LoadGivesWhatWasSaved) {
  const fs::path file = dir_ / kProblemFileName;
  SaveCompressedList(GetParam().list, file);
  ProblemList loaded = {"stale"};
  LoadCompressedList(loaded, file);
  EXPECT_EQ(loaded, GetParam().list);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, RoundTrip,
    ::testing::Values(RoundTripCase{"empty", {}}, RoundTripCase{"two_problems", kTwoProblems},
                      RoundTripCase{"empty_lines", {"", "x", ""}},
                      RoundTripCase{"umlauts", {"3. Lösung für Schäfer", "2", "ÄÖÜäöüß€"}},
                      RoundTripCase{"dots_in_name", {"7. Dr. A. B. Meyer", "3", "k"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProblemFileTest, FileIsOneZlibStreamOfLevelNine) {
  const fs::path file = dir_ / kProblemFileName;
  SaveCompressedList(kTwoProblems, file);
  const std::string bytes = ReadAll(file);
  ASSERT_GE(bytes.size(), 6u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x78);
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xDA);
  // The last four bytes are the big-endian Adler-32 of the text.
  const std::string text = Inflated(file);
  const uLong adler = adler32(1, reinterpret_cast<const Bytef*>(text.data()), text.size());
  const auto* tail = reinterpret_cast<const unsigned char*>(bytes.data() + bytes.size() - 4);
  EXPECT_EQ((uLong{tail[0]} << 24) | (uLong{tail[1]} << 16) | (uLong{tail[2]} << 8) | tail[3],
            adler);
}

TEST_F(ProblemFileTest, EveryLineEndsWithCrLfTheLastIncluded) {
  const fs::path file = dir_ / kProblemFileName;
  SaveCompressedList({"a", "", "b"}, file);
  EXPECT_EQ(Inflated(file), "a\r\n\r\nb\r\n");
}

TEST_F(ProblemFileTest, UmlautsAreSingleWindows1252Bytes) {
  const fs::path file = dir_ / kProblemFileName;
  SaveCompressedList({"ÄÖÜäöüß€"}, file);
  EXPECT_EQ(Inflated(file), "\xC4\xD6\xDC\xE4\xF6\xFC\xDF\x80\r\n");
}

TEST_F(ProblemFileTest, LineBreaksInsideALineBecomeBlanks) {
  const fs::path file = dir_ / kProblemFileName;
  SaveCompressedList({"a\r\nb", "c\nd\re"}, file);
  ProblemList loaded;
  LoadCompressedList(loaded, file);
  EXPECT_EQ(loaded, (ProblemList{"a  b", "c d e"}));
}

TEST(Windows1252, CharactersWithoutEquivalentAreReplaced) {
  EXPECT_EQ(Utf8ToWindows1252("Łódź"),
            "?\xF3"
            "d?");
  EXPECT_EQ(Utf8ToWindows1252("a\xFF"
                              "b\xE2\x82"),
            "a?b?");  // invalid and cut-off UTF-8
  EXPECT_EQ(Windows1252ToUtf8("a\x81"
                              "b"),
            "a\xEF\xBF\xBD"
            "b");  // byte without a character
  EXPECT_EQ(Windows1252ToUtf8("\x80\x9F\xFF"), "€Ÿÿ");
}

// ---- Splitting the text into lines ----------------------------------------------------------

struct SplitCase {
  const char* name;
  std::string text;
  ProblemList lines;
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, LinesEndAtCrLfOrCrLfAndNulEndsTheText) {
  EXPECT_EQ(TextToList(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Split,
    ::testing::Values(SplitCase{"empty", "", {}}, SplitCase{"crlf", "a\r\nb\r\n", {"a", "b"}},
                      SplitCase{"cr_only", "a\rb\r", {"a", "b"}},
                      SplitCase{"lf_only", "a\nb\n", {"a", "b"}},
                      SplitCase{"mixed", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                      SplitCase{"lf_cr_is_two_ends", "a\n\rb", {"a", "", "b"}},
                      SplitCase{"no_last_end", "x", {"x"}},
                      SplitCase{"empty_lines", "\r\n\r\n", {"", ""}},
                      SplitCase{"nul_ends_text", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
                      SplitCase{"leading_nul", std::string("\0a", 2), {}},
                      SplitCase{"umlaut", "\xC4rger\r\n", {"Ärger"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Titles -----------------------------------------------------------------------------------

struct TitlesCase {
  const char* name;
  std::size_t lines;
  std::vector<std::string> titles;
};

class Titles : public ::testing::TestWithParam<TitlesCase> {};

TEST_P(Titles, AreLinesZeroThreeSix) {
  ProblemList list;
  for (std::size_t i = 0; i < GetParam().lines; ++i) list.push_back(std::string("L").append(std::to_string(i)));
  EXPECT_EQ(ProblemTitles(list), GetParam().titles);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, Titles,
    ::testing::Values(TitlesCase{"empty", 0, {}}, TitlesCase{"three_k", 9, {"L0", "L3", "L6"}},
                      TitlesCase{"one_extra_line", 10, {"L0", "L3", "L6", "L9"}},
                      TitlesCase{"two_extra_lines", 5, {"L0", "L3"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Bad files ----------------------------------------------------------------------------------

struct BadFileCase {
  const char* name;
  std::string (*make)();  // file content
  const char* reason;     // part of reason()
};

std::string GoodFile() {
  Bytes text = ToBytes(ListToText(kTwoProblems));
  return ToString(DeflateBuffer(text.data(), text.size()));
}
std::string Damaged() {
  std::string s = GoodFile();
  s[s.size() / 2] ^= 0x55;
  return s;
}
std::string BadChecksum() {
  std::string s = GoodFile();
  s.back() ^= 1;
  return s;
}
std::string Truncated() {
  std::string s = GoodFile();
  return s.substr(0, s.size() - 10);
}
std::string HeaderOnly() {
  return "\x78\xDA";
}
std::string PlainText() {
  return "0. Grundreihenmatt\r\n1\r\n";
}
std::string PngHeader() {
  return "\x89PNG\r\n\x1a\n";
}
std::string NeedsDictionary() {
  z_stream zs{};
  deflateInit(&zs, 9);
  deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>("abc"), 3);
  Bytes out(256);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>("abcabc"));
  zs.avail_in = 6;
  zs.next_out = out.data();
  zs.avail_out = 256;
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return ToString(out);
}

class BadFile : public ProblemFileTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadFile, GivesDecompressionErrorNamingTheFileAndKeepsTheList) {
  const fs::path file = dir_ / kProblemFileName;
  WriteAll(file, GetParam().make());
  ProblemList list = {"kept"};
  try {
    LoadCompressedList(list, file);
    FAIL() << "no error";
  } catch (const EDecompressionError& e) {
    EXPECT_STREQ(e.what(), "error");
    EXPECT_EQ(e.file(), file);
    EXPECT_NE(e.reason().find(GetParam().reason), std::string::npos) << e.reason();
    EXPECT_NE(ErrorMessage(e).find(file.string()), std::string::npos);
  }
  EXPECT_EQ(list, ProblemList{"kept"});
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFile,
    ::testing::Values(BadFileCase{"damaged", Damaged, "beschädigt"},
                      BadFileCase{"bad_checksum", BadChecksum, "Prüfsumme falsch"},
                      BadFileCase{"truncated", Truncated, "unvollständig"},
                      BadFileCase{"header_only", HeaderOnly, "unvollständig"},
                      BadFileCase{"plain_text", PlainText, "kein zlib-Kopf"},
                      BadFileCase{"png", PngHeader, "kein zlib-Kopf"},
                      BadFileCase{"needs_dictionary", NeedsDictionary, "Wörterbuch"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProblemFileTest, EmptyFileIsAnEmptyCollection) {
  const fs::path file = dir_ / kProblemFileName;
  WriteAll(file, "");
  ProblemList list = {"old"};
  LoadCompressedList(list, file);
  EXPECT_TRUE(list.empty());
}

TEST_F(ProblemFileTest, BytesAfterTheStreamAreIgnored) {
  const fs::path file = dir_ / kProblemFileName;
  WriteAll(file, GoodFile() + "garbage");
  ProblemList list;
  LoadCompressedList(list, file);
  EXPECT_EQ(list, kTwoProblems);
}

TEST_F(ProblemFileTest, OtherWritersStreamsAreRead) {
  const fs::path file = dir_ / kProblemFileName;
  WriteAll(file, ForeignCompress("a\r\nb\r\n", 1));
  ProblemList list;
  LoadCompressedList(list, file);
  EXPECT_EQ(list, (ProblemList{"a", "b"}));
}

TEST_F(ProblemFileTest, MissingOrUnreadableFileNamesFileAndReason) {
  const struct {
    const char* name;
    fs::path file;
    const char* reason;
  } cases[] = {{"missing", dir_ / "nothing.c00", "Datei oder Ordner nicht vorhanden"},
               {"directory", dir_, "ist ein Ordner"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProblemList list;
    try {
      LoadCompressedList(list, c.file);
      ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
      EXPECT_EQ(std::string(e.what()),
                "Datei „" + c.file.string() + "“ kann nicht geöffnet werden: " + c.reason);
      EXPECT_EQ(e.file(), c.file);
    }
  }
}

// ---- Size bound ---------------------------------------------------------------------------------

TEST(InflateBound, OutputUpToTheBoundIsAcceptedOneMoreByteIsNot) {
  const Bytes text(1000, 'x');
  const Bytes packed = DeflateBuffer(text.data(), text.size());
  EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), 1000), text);
  try {
    InflateBuffer(packed.data(), packed.size(), 999);
    FAIL() << "no error";
  } catch (const EDecompressionError& e) {
    EXPECT_STREQ(e.what(), "error");
  }
}

// Collections that would take long to list are refused with a German message; the limits
// themselves are accepted (bench_startup times them).
TEST_F(ProblemFileTest, CollectionsBeyondTheLimitsAreRefused) {
  const std::string problem = "1. Matt\r\n2\r\n" + std::string(64, ' ') + "\r\n";
  std::string atLimit;
  for (std::size_t i = 0; i < kMaxProblems; ++i) atLimit += problem;
  struct Row {
    const char* name;
    std::string text;
    const char* refusal;  // nullptr: accepted
  } rows[] = {
      {"empty lines beyond the size", std::string(kMaxProblemText + 1, '\n'), "MiB Text"},
      {"empty lines within the size", std::string(3 * kMaxProblems + 1, '\n'), "Probleme"},
      {"one problem line too many", atLimit + "x", "Probleme"},
      {"the problem limit", atLimit, nullptr},
      {"the size limit", std::string(kMaxProblemText, 'x'), nullptr},
  };
  const fs::path file = dir_ / kProblemFileName;
  for (const Row& r : rows) {
    const Bytes packed =
        DeflateBuffer(reinterpret_cast<const std::uint8_t*>(r.text.data()), r.text.size());
    WriteAll(file, std::string(packed.begin(), packed.end()));
    ProblemList list{"old"};
    try {
      LoadCompressedList(list, file);
      EXPECT_EQ(r.refusal, nullptr) << r.name;
      EXPECT_EQ(list.size(), CountLines(r.text)) << r.name;
    } catch (const ECollectionTooLarge& e) {
      ASSERT_NE(r.refusal, nullptr) << r.name;
      const std::string text = e.what();
      EXPECT_EQ(
          text.rfind("Die Problemsammlung „" + file.string() + "“ ist zu groß (mehr als ", 0), 0u)
          << text;
      EXPECT_NE(text.find(r.refusal), std::string::npos) << text;
      EXPECT_EQ(ErrorMessage(e), text);
      EXPECT_EQ(list, ProblemList{"old"}) << r.name;
    }
  }
}

TEST(InflateBuffer, EmptyInputIsAnError) {
  EXPECT_THROW(InflateBuffer(nullptr, 0), EDecompressionError);
}

TEST(DeflateBuffer, IncompressibleDataGrowsTheOutputAndRoundTrips) {
  std::mt19937 random(7);
  Bytes data(300'000);
  for (auto& b : data) b = static_cast<std::uint8_t>(random());
  const Bytes packed = DeflateBuffer(data.data(), data.size());
  EXPECT_EQ(InflateBuffer(packed.data(), packed.size()), data);
}

// ---- Streams ------------------------------------------------------------------------------------

TEST(Streams, CompressAppendsAndRewindsDecompressReadsFromThePosition) {
  MemoryStream source;
  source.data = ToBytes("hello\r\n");
  source.position = 3;  // compression reads from the beginning regardless
  MemoryStream packed;
  packed.data = ToBytes("ab");
  packed.position = 1;
  CompressStream(source, packed);
  EXPECT_EQ(packed.position, 0u);
  ASSERT_GT(packed.data.size(), 2u);
  EXPECT_EQ(packed.data[0], 'a');
  EXPECT_EQ(packed.data[2], 0x78);

  packed.position = 2;
  MemoryStream text;
  DecompressStream(packed, text);
  EXPECT_EQ(ToString(text.data), "hello\r\n");
  EXPECT_EQ(text.position, 0u);
  EXPECT_EQ(packed.position, packed.data.size());

  MemoryStream untouched;
  untouched.data = ToBytes("keep");
  untouched.position = 4;
  DecompressStream(packed, untouched);  // nothing remains
  EXPECT_EQ(ToString(untouched.data), "keep");
  EXPECT_EQ(untouched.position, 0u);
}

// ---- Writing
// --------------------------------------------------------------------------------------

// Makes every write beyond `bytes` fail with EFBIG, even for root, for the scope's lifetime.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int);
};

TEST_F(ProblemFileTest, FailedWriteKeepsTheOldCollectionAndLeavesNoTemporaryFile) {
  const fs::path file = dir_ / kProblemFileName;
  SaveCompressedList(kTwoProblems, file);
  const std::string before = ReadAll(file);

  ProblemList bigger = kTwoProblems;
  std::mt19937 random(1);
  for (int i = 0; i < 200; ++i)
    bigger.push_back(std::to_string(random()) + std::to_string(random()));
  {
    FileSizeLimit limit(64);
    EXPECT_THROW(SaveCompressedList(bigger, file), EFileError);
  }
  EXPECT_EQ(ReadAll(file), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ProblemFileTest, WriteIntoMissingFolderNamesTheFile) {
  const fs::path file = dir_ / "no-such-folder" / kProblemFileName;
  try {
    SaveCompressedList(kTwoProblems, file);
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Datei „" + file.string() +
                                         "“ kann nicht angelegt werden: Datei oder Ordner "
                                         "nicht vorhanden");
  }
}

TEST_F(ProblemFileTest, RewriteKeepsPermissionBits) {
  const fs::path file = dir_ / kProblemFileName;
  SaveCompressedList(kTwoProblems, file);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  SaveCompressedList({"x"}, file);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// ---- Start-up and write-back
// ----------------------------------------------------------------------

TEST_F(ProblemFileTest, StartCopiesShippedCollectionThroughOwnCompressor) {
  const fs::path exe = dir_ / "bin";
  const fs::path data = dir_ / "Orvanel 2014";
  fs::create_directory(exe);
  WriteAll(exe / kProblemFileName, ForeignCompress(ListToText(kTwoProblems), 1));
  ProblemList list = {"stale"};
  StartProblemCollection(list, exe.string() + "/", data.string() + "/");
  EXPECT_EQ(list, kTwoProblems);
  const std::string working = ReadAll(data / kProblemFileName);
  ASSERT_GE(working.size(), 2u);
  EXPECT_EQ(working.substr(0, 2), "\x78\xDA");
}

TEST_F(ProblemFileTest, StartPrefersTheWorkingCopy) {
  const fs::path exe = dir_ / "bin";
  const fs::path data = dir_ / "data";
  fs::create_directory(exe);
  fs::create_directory(data);
  SaveCompressedList(kTwoProblems, exe / kProblemFileName);
  SaveCompressedList({"0. Eigene", "1", "k"}, data / kProblemFileName);
  ProblemList list;
  StartProblemCollection(list, exe, data);
  EXPECT_EQ(list, (ProblemList{"0. Eigene", "1", "k"}));
}

TEST_F(ProblemFileTest, StartWithoutAnyCollectionNamesTheShippedFileAndWritesNothing) {
  const fs::path exe = dir_ / "bin";
  const fs::path data = dir_ / "data";
  ProblemList list = {"stale"};
  try {
    StartProblemCollection(list, exe, data);
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(e.file(), exe / kProblemFileName);
  }
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(fs::is_directory(data));
  EXPECT_FALSE(fs::exists(data / kProblemFileName));
}

TEST_F(ProblemFileTest, StartWithDamagedWorkingCopyLeavesListEmptyAndKeepsItsBytes) {
  const fs::path data = dir_ / "data";
  fs::create_directory(data);
  WriteAll(data / kProblemFileName, Damaged());
  ProblemList list = {"stale"};
  try {
    StartProblemCollection(list, dir_, data);
    ADD_FAILURE() << "no error";
  } catch (const ECollectionRefused& e) {
    EXPECT_TRUE(e.kept_aside());
    EXPECT_THROW(std::rethrow_exception(e.cause()), EDecompressionError);
  }
  EXPECT_TRUE(list.empty());
  // Storing a new problem replaces the working copy; the damaged bytes stay recoverable.
  EXPECT_TRUE(WriteBackProblemCollection(kTwoProblems, data));
  EXPECT_EQ(ReadWholeFile(fs::path(data / kProblemFileName) += kDamagedSuffix, 1 << 20),
            Damaged());
}

// The names in a folder, so that a test can tell that no temporary file was left behind.
std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

std::string Refusal(ProblemList& list, const fs::path& exe, const fs::path& data, bool& kept) {
  try {
    StartProblemCollection(list, exe, data);
  } catch (const ECollectionRefused& e) {
    kept = e.kept_aside();
    return e.what();
  }
  ADD_FAILURE() << "the working copy was not refused";
  return {};
}

// Every working copy that cannot be loaded is either kept aside, byte for byte, before a stored
// problem replaces it, or it is never replaced and storing says why.
TEST_F(ProblemFileTest, RefusedWorkingCopiesAreKeptAsideOrNeverReplaced) {
  const std::string tooManyLines(3 * kMaxProblems + 1, '\n');
  const Bytes manyPacked = DeflateBuffer(reinterpret_cast<const std::uint8_t*>(tooManyLines.data()),
                                         tooManyLines.size());
  const struct {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* reason;  // part of the message at start-up
    bool kept;
  } rows[] = {
      {"damaged", [](const fs::path& f) { WriteAll(f, Damaged()); }, "beschädigt", true},
      {"over the read limit",
       [](const fs::path& f) { WriteAll(f, GoodFile() + std::string(18 << 20, '\0')); },
       "größer als", true},
      {"too many problems",
       [&](const fs::path& f) { WriteAll(f, ToString(manyPacked)); }, "Probleme", true},
      {"a folder", [](const fs::path& f) { fs::create_directory(f); }, "ist ein Ordner", false},
      {"a named pipe", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); },
       "keine gewöhnliche Datei", false},
      {"a link without a target",
       [](const fs::path& f) { fs::create_symlink(f.parent_path() / "weg" / "mtavrel.c00", f); },
       "symbolische Verknüpfung auf das nicht vorhandene", false},
      {"a link to itself", [](const fs::path& f) { fs::create_symlink(f.filename(), f); },
       "symbolische Verknüpfungen (vielleicht im Kreis)", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    const fs::path data = dir_ / "data";
    fs::remove_all(data);
    fs::create_directory(data);
    const fs::path working = data / kProblemFileName;
    const fs::path aside = fs::path(working) += kDamagedSuffix;
    r.make(working);
    const fs::file_type type = fs::symlink_status(working).type();
    const std::string before = type == fs::file_type::regular ? ReadAll(working) : "";

    ProblemList list;
    bool kept = !r.kept;
    const std::string message = Refusal(list, dir_ / "no-shipped", data, kept);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(kept, r.kept);
    EXPECT_NE(message.find(r.reason), std::string::npos) << message;
    EXPECT_NE(message.find(aside.string()), std::string::npos) << message;

    std::string note;
    if (r.kept) {
      EXPECT_EQ(ReadAll(aside), before);
      EXPECT_TRUE(WriteBackProblemCollection(kTwoProblems, data, &note));
      EXPECT_EQ(note, "");  // already kept at start-up
      EXPECT_EQ(ReadAll(aside), before);
      LoadCompressedList(list, working);
      EXPECT_EQ(list, kTwoProblems);
      EXPECT_EQ(Names(data), (std::set<std::string>{"mtavrel.c00", "mtavrel.c00.defekt"}));
    } else {
      EXPECT_NE(message.find("nicht in die Sammlung gespeichert"), std::string::npos) << message;
      try {
        WriteBackProblemCollection(kTwoProblems, data, &note);
        ADD_FAILURE() << "stored";
      } catch (const ECollectionRefused& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Änderung nicht speicherbar.\n", 0), 0u) << text;
        EXPECT_NE(text.find(r.reason), std::string::npos) << text;
        EXPECT_NE(text.find("„" + working.string() + "“ bleibt unverändert"), std::string::npos)
            << text;
      }
      EXPECT_EQ(fs::symlink_status(working).type(), type);
      EXPECT_EQ(Names(data), std::set<std::string>{"mtavrel.c00"});
    }
  }
}

// A working copy the program may not read (root reads every file: the check then runs as
// "nobody").
TEST_F(ProblemFileTest, UnreadableWorkingCopyIsNeverReplaced) {
  const fs::path data = dir_ / "data";
  fs::create_directory(data);
  fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(data, fs::perms::all);
  const fs::path working = data / kProblemFileName;
  SaveCompressedList(kTwoProblems, working);
  const std::string before = ReadAll(working);
  fs::permissions(working, fs::perms::none);
  const uid_t user = ::geteuid();
  if (user == 0 && ::seteuid(65534) != 0) GTEST_SKIP() << "cannot act as another user";
  ProblemList list;
  bool kept = true;
  const std::string message = Refusal(list, dir_, data, kept);
  bool refused = false;
  try {
    WriteBackProblemCollection(kTwoProblems, data);
  } catch (const ECollectionRefused& e) {
    refused = std::string(e.what()).find("keine Berechtigung") != std::string::npos;
  }
  if (user == 0) {
    ASSERT_EQ(::seteuid(0), 0);
  }
  EXPECT_FALSE(kept);
  EXPECT_NE(message.find("kann nicht geöffnet werden: keine Berechtigung"), std::string::npos)
      << message;
  EXPECT_TRUE(refused);
  fs::permissions(working, fs::perms::owner_read);
  EXPECT_EQ(ReadAll(working), before);
  EXPECT_EQ(Names(data), std::set<std::string>{"mtavrel.c00"});
}

// With too little room the copy is cut short: it never replaces the kept file, nothing is
// stored while it cannot be made, and a store once there is room keeps the bytes first.
TEST_F(ProblemFileTest, CopyCutShortByAFullDiskIsNeverTakenForTheKeptFile) {
  const fs::path data = dir_ / "data";
  fs::create_directory(data);
  const fs::path working = data / kProblemFileName;
  const fs::path aside = fs::path(working) += kDamagedSuffix;
  std::mt19937 random(3);
  std::string damaged = "PK";
  while (damaged.size() < 39'000) damaged += static_cast<char>(random());
  WriteAll(working, damaged);
  const std::string cutShort = damaged.substr(0, 12'000);  // what a cut-short copy left
  WriteAll(aside, cutShort);
  {
    FileSizeLimit limit(12'000);
    ProblemList list;
    bool kept = true;
    const std::string message = Refusal(list, dir_, data, kept);
    EXPECT_FALSE(kept);
    EXPECT_NE(message.find("Kopie nicht schreibbar: Datei zu groß"), std::string::npos)
        << message;
    EXPECT_THROW(WriteBackProblemCollection(kTwoProblems, data), ECollectionRefused);
  }
  EXPECT_EQ(ReadAll(working), damaged);
  EXPECT_EQ(ReadAll(aside), cutShort);
  EXPECT_EQ(Names(data), (std::set<std::string>{"mtavrel.c00", "mtavrel.c00.defekt"}));

  std::string note;
  EXPECT_TRUE(WriteBackProblemCollection(kTwoProblems, data, &note));
  EXPECT_NE(note.find(aside.string()), std::string::npos) << note;
  EXPECT_EQ(ReadAll(aside), damaged);
  EXPECT_EQ(Inflated(working), ListToText(kTwoProblems));
}

TEST_F(ProblemFileTest, WriteBackNeedsTheWorkingCopy) {
  const fs::path data = dir_ / "data";
  fs::create_directory(data);
  EXPECT_FALSE(WriteBackProblemCollection(kTwoProblems, data));
  EXPECT_FALSE(fs::exists(data / kProblemFileName));

  SaveCompressedList({"0. a", "1", "k"}, data / kProblemFileName);
  EXPECT_TRUE(WriteBackProblemCollection(kTwoProblems, data));
  ProblemList list;
  LoadCompressedList(list, data / kProblemFileName);
  EXPECT_EQ(list, kTwoProblems);
}

// ---- The shipped collection
// -----------------------------------------------------------------------

TEST(ShippedCollection, IsWellFormed) {
  const char* data_dir = std::getenv("TAVREL_DATA_DIR");
  if (data_dir == nullptr) GTEST_SKIP() << "TAVREL_DATA_DIR not set";
  const fs::path file = fs::path(data_dir) / kProblemFileName;
  ASSERT_TRUE(fs::exists(file)) << file;
  EXPECT_EQ(ReadAll(file).substr(0, 2), "\x78\xDA");
  ProblemList list;
  LoadCompressedList(list, file);
  ASSERT_FALSE(list.empty());
  ASSERT_EQ(list.size() % 3, 0u);
  for (std::size_t i = 0; i < list.size(); i += 3) {
    SCOPED_TRACE(list[i]);
    const int moves = std::stoi(list[i + 1]);
    EXPECT_GE(moves, 1);
    EXPECT_LE(moves, 12);
    EXPECT_EQ(list[i + 2].size(), 64u);
  }
}

// ---- Robustness
// -----------------------------------------------------------------------------------

// Random buffers and randomly damaged good files: the loader either succeeds or throws one of
// its own errors, never crashes or hangs.
TEST_F(ProblemFileTest, RandomBytesNeverCrashTheLoader) {
  const fs::path file = dir_ / kProblemFileName;
  const std::string good = GoodFile();
  std::mt19937 random(2024);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    if (round % 2 == 0) {
      bytes.resize(random() % 300);
      for (char& c : bytes) c = static_cast<char>(random());
      if (round % 4 == 0 && bytes.size() >= 2) bytes.replace(0, 2, "\x78\xDA");
    } else {
      bytes = good;
      for (int flips = 1 + random() % 4; flips > 0; --flips) {
        bytes[random() % bytes.size()] = static_cast<char>(random());
      }
      bytes.resize(random() % (bytes.size() + 1));
    }
    // The loader's path after reading the file; a few rounds go through a real file too.
    MemoryStream source;
    source.data = ToBytes(bytes);
    MemoryStream text;
    ProblemList list;
    try {
      if (round % 100 == 0) {
        WriteAll(file, bytes);
        LoadCompressedList(list, file);
      } else {
        DecompressStream(source, text);
        list = TextToList(ToString(text.data));
      }
    } catch (const EDecompressionError&) {
    }
  }
}

}  // namespace
}  // namespace tavrel
