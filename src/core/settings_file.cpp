#include "core/settings_file.h"

#include <algorithm>
#include <charconv>

#include "core/problem_file.h"  // EFileError, ReadWholeFile, WriteFileAtomically

namespace tavrel {

namespace fs = std::filesystem;

namespace {

// A profile file is a handful of lines; anything this big is not one.
constexpr std::size_t kMaxSettingsFile = std::size_t{16} << 20;

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// One line of the file, seen the way the profile functions see it.
struct Line {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;
  std::string_view value;
  std::size_t equals = 0;  // position of "=" in the stored line (keys only)
};

Line Parse(std::string_view stored, bool first_line) {
  std::string_view text = stored;
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  std::size_t skipped = 0;
  if (first_line && text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
    skipped = 3;
  }
  Line line;
  const std::string_view trimmed = Trim(text);
  if (trimmed.empty() || trimmed.front() == ';') return line;
  if (trimmed.front() == '[') {
    line.kind = Line::kSection;
    line.name = Trim(trimmed.substr(1, trimmed.find(']') - 1));
    return line;
  }
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) return line;
  line.name = Trim(text.substr(0, equals));
  if (line.name.empty()) return line;
  line.kind = Line::kKey;
  line.value = Trim(text.substr(equals + 1));
  line.equals = equals + skipped;
  return line;
}

bool IsBlank(std::string_view stored) {
  return stored.find_first_not_of(" \t\r") == std::string_view::npos;
}

}  // namespace

ProfileFile::ProfileFile(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines_.emplace_back(text.substr(start));
      break;
    }
    lines_.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  ends_with_newline_ = !text.empty() && text.back() == '\n';
  crlf_ = text.find('\n') != std::string_view::npos && !lines_.empty() && !lines_[0].empty() &&
          lines_[0].back() == '\r';
}

std::optional<ProfileFile::Range> ProfileFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line line = Parse(lines_[i], i == 0);
    if (line.kind != Line::kSection || !SameName(line.name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && Parse(lines_[end], false).kind != Line::kSection) ++end;
    return Range{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> ProfileFile::FindKey(const Range& range, std::string_view key) const {
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    const Line line = Parse(lines_[i], false);
    if (line.kind == Line::kKey && SameName(line.name, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileFile::ReadString(std::string_view section,
                                                   std::string_view key) const {
  const auto range = FindSection(section);
  if (!range) return std::nullopt;
  const auto index = FindKey(*range, key);
  if (!index) return std::nullopt;
  std::string_view value = Parse(lines_[*index], false).value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  const auto text = ReadString(section, key);
  if (!text || text->empty()) return fallback;
  std::string_view digits = *text;
  // from_chars takes a minus sign but no plus sign; "+-1" must stay invalid.
  if (digits.front() == '+') {
    digits.remove_prefix(1);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return fallback;
  }
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc{} || end != digits.data() + digits.size()) return fallback;
  return value;
}

std::string ProfileFile::NewLine(std::string content) const {
  if (crlf_) content += '\r';
  return content;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  const auto range = FindSection(section);
  if (!range) {
    // Appended, not "[" + ...: GCC 12 warns falsely (-Wrestrict) on that form.
    std::string header = "[";
    header.append(section).append("]");
    lines_.push_back(NewLine(std::move(header)));
    lines_.push_back(NewLine(std::string(key) + "=" + std::string(value)));
    ends_with_newline_ = true;
    return;
  }
  if (const auto index = FindKey(*range, key)) {
    std::string& stored = lines_[*index];
    const bool cr = !stored.empty() && stored.back() == '\r';
    stored = stored.substr(0, Parse(stored, *index == 0).equals + 1) + std::string(value);
    if (cr) stored += '\r';
    return;
  }
  std::size_t at = range->end;
  while (at > range->header + 1 && IsBlank(lines_[at - 1])) --at;
  if (at == lines_.size()) ends_with_newline_ = true;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                NewLine(std::string(key) + "=" + std::string(value)));
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

std::string ProfileFile::Text() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += '\n';
    text += lines_[i];
  }
  if (ends_with_newline_ && !lines_.empty()) text += '\n';
  return text;
}

fs::path SettingsFilePath(const fs::path& data_folder) {
  return data_folder / kSettingsFileName;
}

bool SettingsFileExists(const fs::path& data_folder) {
  std::error_code ignored;
  return fs::exists(SettingsFilePath(data_folder), ignored);
}

std::optional<TavrelSettings> ReadSettings(const fs::path& data_folder) {
  if (!SettingsFileExists(data_folder)) return std::nullopt;
  const ProfileFile file(ReadWholeFile(SettingsFilePath(data_folder), kMaxSettingsFile));
  TavrelSettings settings;
  settings.Level = std::clamp(file.ReadInteger(kSettingsSection, "Spielstufe", 5), 2, 15);
  settings.MarkLastMove = file.ReadInteger(kSettingsSection, "Zug", 0) == 1;
  settings.SoundOn = file.ReadInteger(kSettingsSection, "Ton", 0) == 1;
  settings.MarkSuggestion = file.ReadInteger(kSettingsSection, "Tip", 0) == 1;
  return settings;
}

bool WriteSettings(const fs::path& data_folder, const TavrelSettings& settings) {
  if (!SettingsFileExists(data_folder)) return false;
  const fs::path path = SettingsFilePath(data_folder);
  ProfileFile file(ReadWholeFile(path, kMaxSettingsFile));
  file.WriteInteger(kSettingsSection, "Spielstufe", settings.Level);
  file.WriteInteger(kSettingsSection, "Zug", settings.MarkLastMove ? 1 : 0);
  file.WriteInteger(kSettingsSection, "Ton", settings.SoundOn ? 1 : 0);
  file.WriteInteger(kSettingsSection, "Tip", settings.MarkSuggestion ? 1 : 0);
  WriteFileAtomically(path, file.Text());
  return true;
}

}  // namespace tavrel
