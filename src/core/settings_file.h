#pragma once
// The settings file "kovrin.ini" in the data folder: section "Tavrel" with the integer keys
// "Spielstufe", "Zug", "Ton" and "Tip". The program never creates it: it is read and rewritten
// only when the user has put it there.
//
// The file is read and written as a Windows profile file: section and key names match without
// regard to letter case, the first of repeated sections or keys counts, blanks around names and
// values do not count, and a value in matching quotes is read without them. A write changes only
// the lines of the keys it writes (or adds them) and keeps every other byte of the file: other
// sections and keys, comments, blank lines, line order and line ends. The new file goes to a
// temporary file in the same folder and is renamed over the old one, so a failed write leaves the
// old file intact.
//
// Errors: an existing settings file that cannot be read or written throws EFileError
// (problems/problem_file.h), whose what() names the file and the reason. A missing file is not an
// error. Everything runs on the calling (user-interface) thread.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

inline constexpr char kSettingsFileName[] = "kovrin.ini";
inline constexpr char kSettingsSection[] = "Tavrel";

// The four remembered settings, as the main window holds them.
struct TavrelSettings {
  int Level = 5;                // "Spielstufe": the playing level, 2..15 after reading
  bool MarkLastMove = false;    // "Zug": "Letzten Zug markieren"
  bool SoundOn = false;         // "Ton": "Tonausgabe bei Computerzug"
  bool MarkSuggestion = false;  // "Tip": "Zugvorschlag markieren"

  friend bool operator==(const TavrelSettings&, const TavrelSettings&) = default;
};

// data_folder/kovrin.ini (a trailing separator on data_folder is fine).
std::filesystem::path SettingsFilePath(const std::filesystem::path& data_folder);
bool SettingsFileExists(const std::filesystem::path& data_folder);

// For every activation of the main window. Without the file: nullopt, and the window keeps its
// current values. Otherwise each key that is missing or holds no integer gives its default (level
// 5, switches off); the level is brought into 2..15 ("Spielstufe=20" gives 15, "0" gives 2); a
// switch is on exactly when its value is 1. Throws EFileError when the file exists but cannot be
// read (say, it is a folder); report that once, not at every activation.
std::optional<TavrelSettings> ReadSettings(const std::filesystem::path& data_folder);

// For closing the main window. Without the file: returns false and writes nothing. Otherwise
// writes "Spielstufe" (the level), "Zug", "Ton" and "Tip" (1 for on, 0 for off) into the section
// "Tavrel", creating the keys or the section where missing, and returns true. Throws EFileError
// when the file cannot be read or written; the old file then stays as it was.
bool WriteSettings(const std::filesystem::path& data_folder, const TavrelSettings& settings);

// A Windows profile (INI) file held line by line, so a rewrite keeps what it does not change.
class ProfileFile {
 public:
  ProfileFile() = default;
  explicit ProfileFile(std::string_view text);

  // The value of the first key named key in the first section named section, trimmed and
  // without matching quotes; nullopt when there is none.
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // The value as a decimal integer (optional sign, nothing else), or fallback when it is missing,
  // not an integer or out of range.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;

  // Replaces the value of the key in place, or adds "key=value" after the section's last
  // non-blank line, or adds the section with the key at the end of the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);

  // The whole file; byte for byte the parsed text when nothing was written.
  std::string Text() const;

 private:
  struct Range {
    std::size_t header;  // index of the "[section]" line
    std::size_t end;     // one past the section's last line
  };
  std::optional<Range> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Range& range, std::string_view key) const;
  std::string NewLine(std::string content) const;

  std::vector<std::string> lines_;  // split at LF; a CR before the LF stays in the line
  bool ends_with_newline_ = false;
  bool crlf_ = false;  // line ends to use for added lines
};

}  // namespace tavrel
