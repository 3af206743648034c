// tavrel-match: games between two UCI engines from a set of balanced openings, each opening
// once with each colour, several games at once; the score, the Elo difference with its 95 %
// error and every game as PGN.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "cli/match_openings.h"
#include "core/engine_strength.h"
#include "core/fen.h"
#include "core/pgn.h"
#include "core/rules.h"
#include "core/san.h"
#include "gui/uci_client.h"

namespace {

using namespace tavrel;

constexpr const char* kUsage =
    "Aufruf: tavrel-match [Optionen] -engine SPIELER -engine SPIELER\n"
    "  SPIELER: cmd=PROGRAMM [arg=ARGUMENT ...] [name=NAME] [option.NAME=WERT ...]\n"
    "           und eine Grenze: depth=N, nodes=N, movetime=MS (auch zusammen)\n"
    "           oder tc=SEKUNDEN+INKREMENT\n"
    "           [timeout=MS] (Frist einer Antwort bei depth/nodes, Vorgabe 120000)\n"
    "  -games N          Zahl der Partien (Vorgabe: jede Eröffnung mit beiden Farben)\n"
    "  -j N              N Partien gleichzeitig (Vorgabe 1)\n"
    "  -openings DATEI   Eröffnungen \"Name: e2e4 e7e5 ...\" (Vorgabe: die mitgelieferten)\n"
    "  -pgn DATEI        alle Partien als PGN\n"
    "  -resign N CP      Abbruch, wenn beide Engines N Züge lang mindestens CP Centibauern\n"
    "                    für dieselbe Seite sehen\n"
    "  -draw N CP        Remis ab Zug 30, wenn beide N Züge lang höchstens CP sehen\n"
    "  -maxmoves N       Remis nach N Zügen\n"
    "  -event TEXT       PGN-Tag Event\n"
    "  -first N          mit der N-ten Eröffnung beginnen (Vorgabe 1)\n"
    "  -quiet            keine Zeile je Partie\n";

struct EngineSpec {
  std::string Command;
  std::vector<std::string> Arguments;
  std::string Name;
  EngineSettings Settings;  // options; depth, nodes and movetime may go together
  bool Clock = false;       // tc= instead of the limits above
  long long BaseMs = 0, IncMs = 0;
  int TimeoutMs = 120000;
};

struct Opening {
  std::string Name;
  std::vector<SanMove> Moves;
};

struct Config {
  EngineSpec Engines[2];
  int Games = 0;
  int Concurrency = 1;
  std::string OpeningsFile;
  std::string PgnFile;
  int ResignMoves = 0, ResignCp = 0;
  int DrawMoves = 0, DrawCp = 0;
  int MaxMoves = 0;
  std::string Event = "tavrel-match";
  int FirstOpening = 0;
  bool Quiet = false;
};

struct GameResult {
  int Index = 0;
  bool AIsWhite = true;
  std::string Result;       // "1-0", "0-1", "1/2-1/2"
  std::string Termination;  // PGN Termination tag
  std::string Reason;       // German, for the output
  PgnGame Pgn;
  std::vector<long long> ReplyMs[2];  // per engine (0 = A)
};

[[noreturn]] void Fail(const std::string& text) {
  std::cerr << "tavrel-match: " << text << '\n';
  std::exit(2);
}

long long ToNumber(const std::string& text, const std::string& what) {
  try {
    std::size_t used = 0;
    const long long v = std::stoll(text, &used);
    if (used == text.size() && v >= 0) return v;
  } catch (const std::exception&) {
  }
  Fail("„" + text + "“ ist keine gültige Zahl für " + what);
}

long long Seconds(const std::string& text) {
  try {
    std::size_t used = 0;
    const double v = std::stod(text, &used);
    if (used == text.size() && v >= 0 && v < 1e7) return std::llround(v * 1000);
  } catch (const std::exception&) {
  }
  Fail("„" + text + "“ ist keine gültige Zeit in Sekunden");
}

EngineSpec ParseEngine(const std::vector<std::string>& words) {
  EngineSpec e;
  bool haveLimit = false;
  std::string error;
  for (const std::string& w : words) {
    const auto eq = w.find('=');
    if (eq == std::string::npos) Fail("Spielerangabe ohne „=“: " + w);
    const std::string key = w.substr(0, eq), value = w.substr(eq + 1);
    if (key == "cmd") e.Command = value;
    else if (key == "arg") e.Arguments.push_back(value);
    else if (key == "name") e.Name = value;
    else if (const PlayerWord r = ApplyPlayerWord(w, e.Settings, &error); r != PlayerWord::NotMine) {
      if (r == PlayerWord::Bad) Fail(error);
    } else if (key == "timeout") e.TimeoutMs = static_cast<int>(std::min(ToNumber(value, key), 3'600'000LL));
    else if (key == "tc") {
      const auto plus = value.find('+');
      e.Clock = true;
      e.BaseMs = Seconds(value.substr(0, plus));
      e.IncMs = plus == std::string::npos ? 0 : Seconds(value.substr(plus + 1));
      if (e.BaseMs <= 0) Fail("tc braucht eine Bedenkzeit über 0");
      haveLimit = true;
    } else {
      Fail("unbekannte Spielerangabe „" + key + "“");
    }
  }
  if (e.Command.empty()) Fail("Spieler ohne cmd=PROGRAMM");
  haveLimit = haveLimit || e.Settings.HasLimit();
  if (!haveLimit) Fail("Spieler „" + e.Command + "“ ohne Grenze (depth, nodes, movetime oder tc)");
  if (e.Name.empty()) e.Name = std::filesystem::path(e.Command).filename().string();
  return e;
}

std::vector<Opening> ParseOpenings(const std::string& text, const std::string& source) {
  std::vector<Opening> openings;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const auto colon = line.rfind(':');
    Opening o;
    o.Name = colon == std::string::npos ? "" : line.substr(0, colon);
    std::istringstream moves(colon == std::string::npos ? line : line.substr(colon + 1));
    FenPosition pos = StartPosition();
    std::string word;
    while (moves >> word) {
      const auto m = ParseUciMove(pos, word);
      if (!m) Fail(source + ", Zeile " + std::to_string(number) + ": „" + word + "“ ist kein legaler Zug");
      o.Moves.push_back(*m);
      pos = PositionAfter(pos, *m);
    }
    if (o.Moves.empty()) continue;
    openings.push_back(std::move(o));
  }
  if (openings.empty()) Fail(source + " enthält keine Eröffnung");
  return openings;
}

// The position as the repetition rule compares it: placement, side, castling rights, and the
// en-passant square only when a capture there is possible.
std::string RepetitionKey(const FenPosition& p, const std::vector<SanMove>& legal) {
  FenPosition k = p;
  bool epCapture = false;
  for (const SanMove& m : legal) {
    const char piece = p.Board[m.From - 1];
    if (m.To == p.EnPassant && (piece == 'P' || piece == 'p')) epCapture = true;
  }
  if (!epCapture) k.EnPassant = None;
  k.HalfmoveClock = 0;
  k.FullmoveNumber = 1;
  return FormatFen(k);
}

class Player {
 public:
  explicit Player(const EngineSpec& spec) : spec_(spec) {}

  // A running engine that has taken its options and is ready for a new game.
  bool Ready(std::string& error) {
    if (!client_ || !client_->Running()) {
      client_ = std::make_unique<UciClient>();
      QStringList args;
      for (const auto& a : spec_.Arguments) args << QString::fromStdString(a);
      if (!client_->Start(QString::fromStdString(spec_.Command), args)) {
        error = client_->Error().toStdString();
        client_.reset();
        return false;
      }
      for (const auto& [name, value] : spec_.Settings.Options) client_->SetOption(name, value);
    }
    client_->Send("ucinewgame");
    if (!client_->Sync(10000)) {
      error = "„" + spec_.Name + "“ meldet sich nicht mit „readyok“";
      client_.reset();
      return false;
    }
    return true;
  }

  UciClient& Client() { return *client_; }
  void Drop() { client_.reset(); }
  const EngineSpec& Spec() const { return spec_; }

 private:
  EngineSpec spec_;
  std::unique_ptr<UciClient> client_;
};

struct Reply {
  enum Kind { Move, Timeout, Gone, Illegal } kind = Gone;
  SanMove move;
  std::string text;
  UciInfo info;
  long long ms = 0;
};

Reply Ask(Player& player, const FenPosition& pos, const std::vector<SanMove>& played,
          const long long clock[2]) {
  const EngineSpec& spec = player.Spec();
  UciClient& c = player.Client();
  std::string command = "position startpos";
  if (!played.empty()) {
    command += " moves";
    for (const SanMove& m : played) command += ' ' + UciOf(m);
  }
  c.Send(command);
  long long deadline = spec.TimeoutMs;
  if (!spec.Clock) {
    c.Send(GoCommand(spec.Settings, 0));
    const long long ms = spec.Settings.MoveTimeMs;
    if (ms > 0) deadline = ms + std::max(1000LL, ms);
  } else {
    c.Send("go wtime " + std::to_string(clock[0]) + " btime " + std::to_string(clock[1]) +
           " winc " + std::to_string(spec.IncMs) + " binc " + std::to_string(spec.IncMs));
    deadline = clock[pos.WhiteToMove ? 0 : 1] + 200;
  }
  Reply r;
  QElapsedTimer timer;
  timer.start();
  bool stopped = false;
  for (;;) {
    const long long left = (stopped ? deadline + 2000 : deadline) - timer.elapsed();
    const auto line = c.ReadLine(static_cast<int>(std::max(0LL, left)));
    if (!line) {
      if (!c.Running()) {
        r.kind = Reply::Gone;
        return r;
      }
      if (stopped) {
        r.kind = Reply::Timeout;
        player.Drop();  // it does not answer "stop" either
        return r;
      }
      c.Send("stop");
      stopped = true;
      continue;
    }
    if (ParseUciInfo(*line, r.info)) continue;
    if (const auto best = ParseBestMove(*line)) {
      r.ms = timer.elapsed();
      r.text = Excerpt(*best);
      if (stopped) {
        r.kind = Reply::Timeout;
        return r;
      }
      const auto move = ParseUciMove(pos, *best);
      if (!move) {
        r.kind = Reply::Illegal;
        return r;
      }
      r.kind = Reply::Move;
      r.move = *move;
      return r;
    }
  }
}

GameResult PlayGame(const Config& cfg, const std::vector<Opening>& openings, int index,
                    Player* players[2]) {
  GameResult g;
  g.Index = index;
  g.AIsWhite = index % 2 == 0;
  const Opening& opening = openings[static_cast<std::size_t>(cfg.FirstOpening + index / 2) % openings.size()];
  Player* side[2] = {players[g.AIsWhite ? 0 : 1], players[g.AIsWhite ? 1 : 0]};  // white, black
  const int engineOf[2] = {g.AIsWhite ? 0 : 1, g.AIsWhite ? 1 : 0};

  FenPosition pos = StartPosition();
  std::vector<SanMove> played;
  std::vector<std::string> san;
  std::map<std::string, int> seen;
  std::vector<std::optional<int>> whiteScores;  // White's view, one per engine move
  long long clock[2] = {side[0]->Spec().BaseMs, side[1]->Spec().BaseMs};

  auto finish = [&](const std::string& result, const std::string& termination,
                    const std::string& reason) {
    g.Result = result;
    g.Termination = termination;
    g.Reason = reason;
  };
  auto lose = [&](int colour, const std::string& termination, const std::string& reason) {
    finish(colour == 0 ? "0-1" : "1-0", termination, reason);
  };

  for (const SanMove& m : opening.Moves) {
    san.push_back(ToSan(pos, m));
    pos = PositionAfter(pos, m);
    played.push_back(m);
  }
  for (int c = 0; c < 2; ++c) {
    std::string error;
    if (!side[c]->Ready(error)) {
      // No game without both engines: the match stops.
      std::cerr << "tavrel-match: " << error << std::endl;
      std::cout.flush();
      ::_exit(2);
    }
  }
  while (g.Result.empty()) {
    const std::vector<SanMove> legal = LegalMovesIn(pos);
    const int colour = pos.WhiteToMove ? 0 : 1;
    if (legal.empty()) {
      if (rules::KingAttacked(pos.Board.c_str(), pos.WhiteToMove)) lose(colour, "normal", "Matt");
      else finish("1/2-1/2", "normal", "Patt");
      break;
    }
    if (++seen[RepetitionKey(pos, legal)] >= 3) {
      finish("1/2-1/2", "normal", "dreimalige Stellungswiederholung");
      break;
    }
    if (pos.HalfmoveClock >= 100) {
      finish("1/2-1/2", "normal", "50-Züge-Regel");
      break;
    }
    if (rules::InsufficientMaterial(pos.Board.c_str())) {
      finish("1/2-1/2", "normal", "kein Mattmaterial");
      break;
    }
    if (cfg.MaxMoves > 0 && pos.FullmoveNumber > cfg.MaxMoves) {
      finish("1/2-1/2", "adjudication", "Zuglimit erreicht");
      break;
    }
    Player& p = *side[colour];
    const Reply r = Ask(p, pos, played, clock);
    const std::string& name = p.Spec().Name;
    if (r.kind == Reply::Gone) {
      p.Drop();
      lose(colour, "abandoned", name + " hat sich beendet");
      break;
    }
    if (r.kind == Reply::Timeout) {
      lose(colour, "time forfeit", name + " hat die Zeit überschritten");
      break;
    }
    if (r.kind == Reply::Illegal) {
      lose(colour, "rules infraction", name + ": unzulässiger Zug „" + r.text + "“");
      break;
    }
    g.ReplyMs[engineOf[colour]].push_back(r.ms);
    if (p.Spec().Clock) {
      clock[colour] -= r.ms;
      if (clock[colour] < 0) {
        lose(colour, "time forfeit", name + " hat die Zeit überschritten");
        break;
      }
      clock[colour] += p.Spec().IncMs;
    }
    std::optional<int> score;
    if (r.info.HasScore) {
      const int v = r.info.Mate ? (r.info.Score > 0 ? 100000 : -100000) : r.info.Score;
      score = colour == 0 ? v : -v;
    }
    whiteScores.push_back(score);
    san.push_back(ToSan(pos, r.move));
    pos = PositionAfter(pos, r.move);
    played.push_back(r.move);

    auto streak = [&](int plies, auto test) {
      if (plies <= 0 || static_cast<int>(whiteScores.size()) < plies) return false;
      for (int i = 0; i < plies; ++i) {
        const auto& s = whiteScores[whiteScores.size() - 1 - static_cast<std::size_t>(i)];
        if (!s || !test(*s)) return false;
      }
      return true;
    };
    if (cfg.ResignMoves > 0) {
      if (streak(2 * cfg.ResignMoves, [&](int s) { return s >= cfg.ResignCp; })) {
        finish("1-0", "adjudication", "Bewertung");
        break;
      }
      if (streak(2 * cfg.ResignMoves, [&](int s) { return s <= -cfg.ResignCp; })) {
        finish("0-1", "adjudication", "Bewertung");
        break;
      }
    }
    if (cfg.DrawMoves > 0 && pos.FullmoveNumber >= 30 &&
        streak(2 * cfg.DrawMoves, [&](int s) { return std::abs(s) <= cfg.DrawCp; })) {
      finish("1/2-1/2", "adjudication", "Bewertung ausgeglichen");
      break;
    }
  }

  PgnGame& pgn = g.Pgn;
  pgn.SetTag("Event", cfg.Event);
  pgn.SetTag("Site", "?");
  pgn.SetTag("Date", tavrel::PgnToday());
  pgn.SetTag("Round", std::to_string(index + 1));
  pgn.SetTag("White", side[0]->Spec().Name);
  pgn.SetTag("Black", side[1]->Spec().Name);
  pgn.SetTag("Result", g.Result);
  pgn.SetTag("Opening", opening.Name);
  pgn.SetTag("PlyCount", std::to_string(san.size()));
  pgn.SetTag("Termination", g.Termination);
  pgn.SetTag("TerminationDetails", g.Reason);
  pgn.Moves = san;
  pgn.Result = g.Result;
  pgn.EndsWithResult = true;
  return g;
}

void WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::filesystem::remove(temp);
      Fail("„" + path + "“ lässt sich nicht schreiben");
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp);
    Fail("„" + path + "“ lässt sich nicht schreiben: " + ec.message());
  }
}

std::string Fixed(double v, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, v);
  std::string s = text;
  std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

double EloOf(double score) {
  return -400.0 * std::log10(1.0 / score - 1.0);
}

long long Median(std::vector<long long> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Config cfg;
  std::vector<std::vector<std::string>> engines;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&](const char* what) -> std::string {
      if (i + 1 >= argc) Fail(std::string(what) + " braucht einen Wert");
      return argv[++i];
    };
    if (a == "-engine") {
      engines.emplace_back();
      while (i + 1 < argc && argv[i + 1][0] != '-') engines.back().push_back(argv[++i]);
    } else if (a == "-games") {
      cfg.Games = static_cast<int>(std::min(ToNumber(next("-games"), a), 100000LL));
    } else if (a == "-j") {
      cfg.Concurrency = static_cast<int>(std::clamp(ToNumber(next("-j"), a), 1LL, 64LL));
    } else if (a == "-openings") {
      cfg.OpeningsFile = next("-openings");
    } else if (a == "-pgn") {
      cfg.PgnFile = next("-pgn");
    } else if (a == "-resign") {
      cfg.ResignMoves = static_cast<int>(ToNumber(next("-resign"), a));
      cfg.ResignCp = static_cast<int>(ToNumber(next("-resign"), a));
    } else if (a == "-draw") {
      cfg.DrawMoves = static_cast<int>(ToNumber(next("-draw"), a));
      cfg.DrawCp = static_cast<int>(ToNumber(next("-draw"), a));
    } else if (a == "-maxmoves") {
      cfg.MaxMoves = static_cast<int>(ToNumber(next("-maxmoves"), a));
    } else if (a == "-event") {
      cfg.Event = next("-event");
    } else if (a == "-first") {
      cfg.FirstOpening = static_cast<int>(std::max(1LL, ToNumber(next("-first"), a)) - 1);
    } else if (a == "-quiet") {
      cfg.Quiet = true;
    } else if (a == "-h" || a == "--help" || a == "-help") {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << "tavrel-match: unbekannte Angabe „" << a << "“\n" << kUsage;
      return 2;
    }
  }
  if (engines.size() != 2) {
    std::cerr << kUsage;
    return 2;
  }
  for (int k = 0; k < 2; ++k) cfg.Engines[k] = ParseEngine(engines[static_cast<std::size_t>(k)]);
  if (cfg.Engines[0].Name == cfg.Engines[1].Name) {
    cfg.Engines[0].Name += " (A)";
    cfg.Engines[1].Name += " (B)";
  }

  std::vector<Opening> openings;
  if (cfg.OpeningsFile.empty()) {
    openings = ParseOpenings(std::string(tavrel::kMatchOpenings), "mitgelieferte Eröffnungen");
  } else {
    std::ifstream in(cfg.OpeningsFile, std::ios::binary);
    if (!in) Fail("„" + cfg.OpeningsFile + "“ lässt sich nicht lesen");
    std::ostringstream text;
    text << in.rdbuf();
    openings = ParseOpenings(text.str(), cfg.OpeningsFile);
  }
  if (cfg.Games == 0) cfg.Games = 2 * static_cast<int>(openings.size());

  std::mutex mutex;
  std::atomic<int> nextGame{0};
  std::vector<GameResult> results;
  std::string pgnText;
  int wins = 0, losses = 0, draws = 0;
  std::vector<long long> replies[2];

  auto worker = [&] {
    Player a(cfg.Engines[0]), b(cfg.Engines[1]);
    Player* players[2] = {&a, &b};
    for (;;) {
      const int index = nextGame++;
      if (index >= cfg.Games) return;
      GameResult g = PlayGame(cfg, openings, index, players);
      std::lock_guard lock(mutex);
      const bool whiteWon = g.Result == "1-0", blackWon = g.Result == "0-1";
      if (!whiteWon && !blackWon) ++draws;
      else if (whiteWon == g.AIsWhite) ++wins;
      else ++losses;
      for (int k = 0; k < 2; ++k) replies[k].insert(replies[k].end(), g.ReplyMs[k].begin(), g.ReplyMs[k].end());
      if (!cfg.PgnFile.empty()) {
        pgnText += WritePgn(g.Pgn);
        WriteFileAtomically(cfg.PgnFile, pgnText);
      }
      if (!cfg.Quiet) {
        std::cout << "Partie " << index + 1 << '/' << cfg.Games << ": " << g.Pgn.Tag("White")
                  << " - " << g.Pgn.Tag("Black") << ' ' << g.Result << " (" << g.Reason
                  << ")  Stand " << wins << " - " << losses << " - " << draws << std::endl;
      }
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < std::min(cfg.Concurrency, cfg.Games); ++t) threads.emplace_back(worker);
  for (auto& t : threads) t.join();

  const int n = wins + losses + draws;
  const double score = n ? (wins + 0.5 * draws) / n : 0.5;
  std::cout << "Ergebnis " << cfg.Engines[0].Name << " gegen " << cfg.Engines[1].Name << ": "
            << wins << " - " << losses << " - " << draws << "  Punkte " << Fixed(wins + 0.5 * draws, 1)
            << '/' << n << " (" << Fixed(100 * score, 1) << " %)\n";
  if (n > 0 && score > 0 && score < 1) {
    const double w = double(wins) / n, l = double(losses) / n, d = double(draws) / n;
    const double variance =
        w * (1 - score) * (1 - score) + l * score * score + d * (0.5 - score) * (0.5 - score);
    const double margin = 1.959964 * std::sqrt(variance / n);
    const double lo = std::max(1e-6, score - margin), hi = std::min(1 - 1e-6, score + margin);
    const double error = (EloOf(hi) - EloOf(lo)) / 2;
    std::cout << "Elo-Differenz: " << (EloOf(score) >= 0 ? "+" : "") << Fixed(EloOf(score), 1)
              << " ± " << Fixed(error, 1) << " (95 %)\n";
  } else {
    std::cout << "Elo-Differenz: " << (score >= 1 ? "+∞" : "−∞") << " (kein Remis und keine "
              << (score >= 1 ? "Niederlage" : "Gewinnpartie") << ")\n";
  }
  std::cout << "Antwortzeit (Median): " << cfg.Engines[0].Name << ' ' << Median(replies[0]) << " ms, "
            << cfg.Engines[1].Name << ' ' << Median(replies[1]) << " ms\n";
  return 0;
}
