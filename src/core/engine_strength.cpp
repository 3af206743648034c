#include "core/engine_strength.h"

#include <algorithm>
#include <charconv>

namespace tavrel {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool Number(std::string_view text, long long lo, long long hi, long long& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= lo && value <= hi;
}

bool StartsWord(std::string_view piece) {
  for (std::string_view key : {"option.", "depth=", "nodes=", "movetime="})
    if (piece.substr(0, key.size()) == key) return true;
  return false;
}

}  // namespace

PlayerWord ApplyPlayerWord(std::string_view word, EngineSettings& settings, std::string* error) {
  const auto eq = word.find('=');
  if (eq == std::string_view::npos) return PlayerWord::NotMine;
  const std::string_view key = word.substr(0, eq), value = word.substr(eq + 1);
  auto bad = [&](const std::string& why) {
    if (error) *error = why;
    return PlayerWord::Bad;
  };
  if (key.substr(0, 7) == "option.") {
    const std::string_view name = Trim(key.substr(7));
    if (name.empty()) return bad("„" + std::string(word) + "“ nennt keine Option");
    settings.Options.emplace_back(std::string(name), std::string(Trim(value)));
    return PlayerWord::Taken;
  }
  if (key != "depth" && key != "nodes" && key != "movetime") return PlayerWord::NotMine;
  long long n = 0;
  const long long hi = key == "depth" ? 1000 : 1'000'000'000'000LL;
  if (!Number(value, 1, hi, n))
    return bad("„" + std::string(value) + "“ ist keine gültige Zahl für " + std::string(key) +
               " (mindestens 1)");
  if (key == "depth") settings.Depth = static_cast<int>(n);
  else if (key == "nodes") settings.Nodes = n;
  else settings.MoveTimeMs = n;
  return PlayerWord::Taken;
}

std::string GoCommand(const EngineSettings& settings, long long fallbackMs) {
  if (!settings.HasLimit()) return "go movetime " + std::to_string(fallbackMs);
  std::string go = "go";
  if (settings.Depth > 0) go += " depth " + std::to_string(settings.Depth);
  if (settings.Nodes > 0) go += " nodes " + std::to_string(settings.Nodes);
  if (settings.MoveTimeMs > 0) go += " movetime " + std::to_string(settings.MoveTimeMs);
  return go;
}

StrengthTable ParseStrengthTable(std::string_view text) {
  StrengthTable table;
  int number = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    auto problem = [&](const std::string& why) {
      table.Problems.push_back("Zeile " + std::to_string(number) + ": " + why);
    };
    std::vector<std::string_view> fields;
    for (std::string_view rest = line;;) {
      const auto bar = rest.find('|');
      fields.push_back(Trim(rest.substr(0, bar)));
      if (bar == std::string_view::npos) break;
      rest = rest.substr(bar + 1);
    }
    if (fields.size() != 5) {
      problem("erwartet 5 Felder, getrennt durch „|“");
      continue;
    }
    StrengthStep step;
    step.Prefix = std::string(fields[0]);
    std::string_view error95 = fields[2];
    if (error95.substr(0, 2) == "\u00b1") error95 = Trim(error95.substr(2));
    long long elo = 0, err = 0, games = 0;
    if (step.Prefix.empty() || !Number(fields[1], 1, 5000, elo) ||
        !Number(error95, 0, 5000, err) || !Number(fields[3], 0, 100'000'000, games)) {
      problem("Name, Elo, Fehler oder Partienzahl fehlt oder ist keine Zahl");
      continue;
    }
    step.Elo = static_cast<int>(elo);
    step.Error95 = static_cast<int>(err);
    step.Games = static_cast<int>(games);
    // Words begin at "option.", "depth=" ...; other pieces belong to the word before.
    std::vector<std::string> words;
    std::string_view rest = fields[4];
    while (!rest.empty()) {
      const auto space = rest.find(' ');
      const std::string_view piece = rest.substr(0, space);
      rest = space == std::string_view::npos ? std::string_view{} : Trim(rest.substr(space + 1));
      if (words.empty() || StartsWord(piece)) words.emplace_back(piece);
      else words.back().append(" ").append(piece);
    }
    std::string why;
    bool ok = !words.empty();
    if (!ok) why = "keine Einstellungen";
    for (const std::string& w : words) {
      const PlayerWord r = ApplyPlayerWord(w, step.Settings, &why);
      if (r == PlayerWord::NotMine) why = "unbekannte Einstellung „" + w + "“";
      if (r != PlayerWord::Taken) {
        ok = false;
        break;
      }
    }
    if (!ok) {
      problem(why);
      continue;
    }
    table.Steps.push_back(std::move(step));
  }
  return table;
}

std::vector<StrengthStep> StepsFor(const StrengthTable& table, std::string_view idName) {
  std::vector<StrengthStep> steps;
  for (const StrengthStep& s : table.Steps)
    if (idName.substr(0, s.Prefix.size()) == s.Prefix) steps.push_back(s);
  std::stable_sort(steps.begin(), steps.end(),
                   [](const StrengthStep& a, const StrengthStep& b) { return a.Elo < b.Elo; });
  return steps;
}

}  // namespace tavrel
