#include "core/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/problem_file.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

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

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tavrel-settings-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ini_ = dir_ / kSettingsFileName;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  fs::path ini_;
};

// ---- Reading ----------------------------------------------------------------------------------

struct ReadCase {
  const char* name;
  const char* content;
  TavrelSettings expected;
};

class Read : public SettingsTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(Read, GivesValuesDefaultsAndClampedLevel) {
  WriteAll(ini_, GetParam().content);
  const auto settings = ReadSettings(dir_);
  ASSERT_TRUE(settings.has_value());
  EXPECT_EQ(*settings, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Read,
    ::testing::Values(
        ReadCase{"empty_file", "", {5, false, false, false}},
        ReadCase{"no_section", "[Andere]\nSpielstufe=9\nTon=1\n", {5, false, false, false}},
        ReadCase{"all_set", "[Tavrel]\nSpielstufe=9\nZug=1\nTon=1\nTip=1\n", {9, true, true, true}},
        ReadCase{"zug_2_is_off", "[Tavrel]\nZug=2\n", {5, false, false, false}},
        ReadCase{"ton_1_is_on", "[Tavrel]\nTon=1\n", {5, false, true, false}},
        ReadCase{"level_20_gives_15", "[Tavrel]\nSpielstufe=20\n", {15, false, false, false}},
        ReadCase{"level_0_gives_2", "[Tavrel]\nSpielstufe=0\n", {2, false, false, false}},
        ReadCase{"negative_level_gives_2", "[Tavrel]\nSpielstufe=-4\n", {2, false, false, false}},
        ReadCase{"not_an_integer", "[Tavrel]\nSpielstufe=abc\nTon=ja\n", {5, false, false, false}},
        ReadCase{
            "trailing_letters", "[Tavrel]\nSpielstufe=7x\nTip=1.0\n", {5, false, false, false}},
        ReadCase{"empty_value", "[Tavrel]\nSpielstufe=\n", {5, false, false, false}},
        ReadCase{"overflow", "[Tavrel]\nSpielstufe=99999999999\n", {5, false, false, false}},
        ReadCase{"plus_sign", "[Tavrel]\nSpielstufe=+7\nZug=+-1\n", {7, false, false, false}},
        ReadCase{"blanks_and_quotes",
                 "[ Tavrel ]\n  Spielstufe =  8 \nTon=\"1\"\n",
                 {8, false, true, false}},
        ReadCase{"names_ignore_case", "[TAVREL]\nspielSTUFE=11\nTIP=1\n", {11, false, false, true}},
        ReadCase{"crlf_lines", "[Tavrel]\r\nSpielstufe=12\r\nZug=1\r\n", {12, true, false, false}},
        ReadCase{"utf8_bom", "\xEF\xBB\xBF[Tavrel]\nSpielstufe=3\n", {3, false, false, false}},
        ReadCase{"first_section_counts",
                 "[Tavrel]\nSpielstufe=4\n[Tavrel]\nSpielstufe=6\nTon=1\n",
                 {4, false, false, false}},
        ReadCase{"first_key_counts", "[Tavrel]\nTon=1\nTon=0\n", {5, false, true, false}},
        ReadCase{"keys_of_other_sections",
                 "Ton=1\n[X]\nZug=1\n[Tavrel]\nTip=1\n[Y]\nSpielstufe=9\n",
                 {5, false, false, true}},
        ReadCase{"comments",
                 "; Ton=1\n[Tavrel]\n;Spielstufe=9\n  ; Zug=1\nTip=1\n",
                 {5, false, false, true}},
        ReadCase{"no_final_newline", "[Tavrel]\nSpielstufe=13", {13, false, false, false}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, MissingFileIsNeitherReadNorWritten) {
  EXPECT_FALSE(SettingsFileExists(dir_));
  EXPECT_FALSE(ReadSettings(dir_).has_value());
  EXPECT_FALSE(WriteSettings(dir_, TavrelSettings{9, true, true, true}));
  EXPECT_FALSE(fs::exists(ini_));
}

TEST_F(SettingsTest, UnreadableFileNamesFileAndReason) {
  fs::create_directory(ini_);
  try {
    ReadSettings(dir_.string() + "/");
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Datei „" + ini_.string() + "“ kann nicht geöffnet werden: ist ein Ordner");
  }
  EXPECT_THROW(WriteSettings(dir_, {}), EFileError);
}

TEST_F(SettingsTest, NamedPipeIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(ini_.c_str(), 0600), 0);  // opening it for reading would wait for a writer
  try {
    ReadSettings(dir_);
    FAIL() << "no error";
  } catch (const EFileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Datei „" + ini_.string() + "“ kann nicht geöffnet werden: keine gewöhnliche Datei");
  }
  EXPECT_THROW(WriteSettings(dir_, {}), EFileError);
  EXPECT_TRUE(fs::is_fifo(ini_));
}

// ---- Writing ----------------------------------------------------------------------------------

struct WriteCase {
  const char* name;
  const char* before;
  TavrelSettings settings;
  const char* after;
};

class Write : public SettingsTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(Write, ChangesOnlyTheFourKeys) {
  WriteAll(ini_, GetParam().before);
  EXPECT_TRUE(WriteSettings(dir_, GetParam().settings));
  EXPECT_EQ(ReadAll(ini_), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Write,
    ::testing::Values(
        WriteCase{"empty_file",
                  "",
                  {5, true, false, true},
                  "[Tavrel]\nSpielstufe=5\nZug=1\nTon=0\nTip=1\n"},
        WriteCase{"section_missing_is_added_at_the_end",
                  "; Meine Einstellungen\n[Fenster]\nBreite=800\n",
                  {7, false, true, false},
                  "; Meine Einstellungen\n[Fenster]\nBreite=800\n"
                  "[Tavrel]\nSpielstufe=7\nZug=0\nTon=1\nTip=0\n"},
        WriteCase{"values_replaced_in_place_and_order_kept",
                  "[Z]\na=1\n\n[tavrel]\n; Stufe\nTIP = 0\nfremd=x\nSpielstufe=3\nzug=1\nTon=0\n"
                  "\n[A]\nb=2\n",
                  {15, false, true, true},
                  "[Z]\na=1\n\n[tavrel]\n; Stufe\nTIP =1\nfremd=x\nSpielstufe=15\nzug=0\nTon=1\n"
                  "\n[A]\nb=2\n"},
        WriteCase{"missing_keys_go_after_the_last_line_of_the_section",
                  "[Tavrel]\nTon=1\n\n\n[Andere]\nSpielstufe=1\n",
                  {4, true, false, false},
                  "[Tavrel]\nTon=0\nSpielstufe=4\nZug=1\nTip=0\n\n\n[Andere]\nSpielstufe=1\n"},
        WriteCase{"crlf_file_gets_crlf_lines",
                  "[Tavrel]\r\nZug=0\r\n[X]\r\ny=1\r\n",
                  {6, true, true, true},
                  "[Tavrel]\r\nZug=1\r\nSpielstufe=6\r\nTon=1\r\nTip=1\r\n[X]\r\ny=1\r\n"},
        WriteCase{"no_final_newline",
                  "[X]\ny=1",
                  {5, false, false, false},
                  "[X]\ny=1\n[Tavrel]\nSpielstufe=5\nZug=0\nTon=0\nTip=0\n"},
        WriteCase{"only_the_first_of_repeated_sections",
                  "[Tavrel]\nTon=1\n[Tavrel]\nTon=1\n",
                  {5, false, false, false},
                  "[Tavrel]\nTon=0\nSpielstufe=5\nZug=0\nTip=0\n[Tavrel]\nTon=1\n"},
        WriteCase{"bom_and_comments_survive",
                  "\xEF\xBB\xBF; Kommentar mit Umlaut: Größe\n[Tavrel]\nSpielstufe=2 ; alt\n",
                  {10, false, false, false},
                  "\xEF\xBB\xBF; Kommentar mit Umlaut: Größe\n[Tavrel]\nSpielstufe=10\nZug=0\n"
                  "Ton=0\nTip=0\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, WrittenValuesReadBack) {
  WriteAll(ini_, "[Tavrel]\n");
  for (const TavrelSettings& s :
       {TavrelSettings{2, true, false, true}, TavrelSettings{15, false, true, false}}) {
    ASSERT_TRUE(WriteSettings(dir_, s));
    EXPECT_EQ(ReadSettings(dir_), s);
  }
}

TEST_F(SettingsTest, FailedWriteLeavesTheOldFile) {
  const std::string before = "[Tavrel]\nSpielstufe=3\n" + std::string(200, ';') + "\n";
  WriteAll(ini_, before);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = 16;  // every write beyond 16 bytes fails with EFBIG, even for root
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(WriteSettings(dir_, TavrelSettings{9, true, true, true}), EFileError);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(ReadAll(ini_), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SettingsTest, DeletedBetweenRunsStartsWithDefaultsAndSavesNothing) {
  WriteAll(ini_, "[Tavrel]\nSpielstufe=9\n");
  ASSERT_TRUE(WriteSettings(dir_, TavrelSettings{12, true, true, true}));
  fs::remove(ini_);
  EXPECT_FALSE(ReadSettings(dir_).has_value());
  EXPECT_FALSE(WriteSettings(dir_, TavrelSettings{12, true, true, true}));
  EXPECT_FALSE(fs::exists(ini_));
}

}  // namespace
}  // namespace tavrel
