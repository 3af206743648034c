#include "gui/uci_client.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimerEvent>

#include <charconv>
#include <set>

namespace tavrel {
namespace {

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
    if (j > i) words.push_back(line.substr(i, j - i));
    i = j;
  }
  return words;
}

bool Number(std::string_view text, int& value) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  constexpr long long kLimit = 1'000'000'000;
  value = static_cast<int>(v < -kLimit ? -kLimit : v > kLimit ? kLimit : v);
  return true;
}

std::string Join(const std::vector<std::string_view>& words, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to; ++i) {
    if (i > from) text += ' ';
    text += words[i];
  }
  return text;
}

QString Quoted(const QString& text) {
  return QStringLiteral("„%1“").arg(text);
}

}  // namespace

std::optional<UciOption> ParseUciOption(std::string_view line) {
  const auto words = Words(line);
  if (words.size() < 2 || words[0] != "option") return std::nullopt;
  static const std::set<std::string_view> keys{"name", "type", "default", "min", "max", "var"};
  UciOption option;
  std::size_t i = 1;
  while (i < words.size()) {
    const std::string_view key = words[i];
    if (!keys.count(key)) return std::nullopt;
    std::size_t j = i + 1;
    while (j < words.size() && !keys.count(words[j])) ++j;
    // A name may contain a keyword-free run of words only; "default" may be empty.
    std::string value = Join(words, i + 1, j);
    if (key == "name") option.Name = value;
    else if (key == "type") option.Type = value;
    else if (key == "default") option.Default = value == "<empty>" ? "" : value;
    else if (key == "min") option.Min = value;
    else if (key == "max") option.Max = value;
    else option.Vars.push_back(value);
    i = j;
  }
  static const std::set<std::string> types{"spin", "check", "combo", "string", "button"};
  if (option.Name.empty() || !types.count(option.Type)) return std::nullopt;
  return option;
}

bool ParseUciInfo(std::string_view line, UciInfo& info) {
  const auto words = Words(line);
  if (words.empty() || words[0] != "info") return false;
  static const std::set<std::string_view> keys{
      "depth", "seldepth", "time", "nodes", "pv", "multipv", "score", "currmove",
      "currmovenumber", "hashfull", "nps", "tbhits", "sbhits", "cpuload", "string", "refutation",
      "currline", "wdl"};
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::string_view key = words[i];
    if (key == "string") break;
    if (key == "depth" && i + 1 < words.size()) {
      int d = 0;
      if (Number(words[++i], d)) info.Depth = d;
    } else if (key == "score" && i + 2 < words.size()) {
      const std::string_view kind = words[i + 1];
      int v = 0;
      const bool ok = (kind == "cp" || kind == "mate") && Number(words[i + 2], v);
      i += 2;
      const bool bound = i + 1 < words.size() &&
                         (words[i + 1] == "lowerbound" || words[i + 1] == "upperbound");
      if (bound) ++i;
      if (ok && !bound) {
        info.HasScore = true;
        info.Mate = kind == "mate";
        info.Score = v;
      }
    } else if (key == "pv") {
      info.Pv.clear();
      while (i + 1 < words.size() && !keys.count(words[i + 1])) info.Pv.emplace_back(words[++i]);
    }
  }
  return true;
}

std::optional<std::string> ParseBestMove(std::string_view line) {
  const auto words = Words(line);
  if (words.size() < 2 || words[0] != "bestmove") return std::nullopt;
  return std::string(words[1]);
}

UciClient::UciClient(QObject* parent) : QObject(parent), process_(new QProcess(this)) {
  process_->setStandardErrorFile(QProcess::nullDevice());
  connect(process_, &QProcess::readyReadStandardOutput, this, &UciClient::Drain);
  connect(process_, &QProcess::finished, this, &UciClient::ProcessEnded);
  connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) ProcessEnded();
  });
}

UciClient::~UciClient() {
  process_->disconnect(this);
  Quit();
}

bool UciClient::Running() const {
  return process_->state() == QProcess::Running;
}

bool UciClient::Launch(const QString& program, const QStringList& arguments) {
  program_ = program;
  name_ = QFileInfo(program).fileName();
  author_.clear();
  options_.clear();
  lines_.clear();
  buffer_.clear();
  skipping_ = false;
  error_.clear();
  QString path = program;
  if (!program.contains('/')) {
    // Debian puts its chess engines in /usr/games, which is not always on PATH.
    path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) path = QStandardPaths::findExecutable(program, {QStringLiteral("/usr/games")});
  }
  const QFileInfo file(path);
  if (path.isEmpty() || !file.exists()) {
    error_ = QStringLiteral("Das Programm %1 wurde nicht gefunden.").arg(Quoted(program));
  } else if (file.isDir() || !file.isExecutable()) {
    error_ = QStringLiteral("%1 ist kein ausführbares Programm.").arg(Quoted(program));
  } else {
    process_->start(path, arguments, QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (process_->waitForStarted(5000)) {
      stage_ = Stage::WaitUciOk;
      Send("uci");
      return true;
    }
    error_ = QStringLiteral("%1 lässt sich nicht starten.").arg(Quoted(program));
  }
  stage_ = Stage::Failed;
  return false;
}

bool UciClient::Start(const QString& program, const QStringList& arguments, int timeoutMs) {
  if (!Launch(program, arguments)) return false;
  handshakeMs_ = timeoutMs;
  const QDeadlineTimer deadline(timeoutMs);
  while (stage_ == Stage::WaitUciOk || stage_ == Stage::WaitReadyOk) {
    if (!lines_.empty()) {
      const std::string line = std::move(lines_.front());
      lines_.pop_front();
      HandshakeLine(line);
      continue;
    }
    if (deadline.hasExpired() || !Running()) break;
    process_->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
  }
  if (stage_ == Stage::WaitUciOk || stage_ == Stage::WaitReadyOk) FinishHandshake(false, {});
  return stage_ == Stage::Ready;
}

void UciClient::StartAsync(const QString& program, const QStringList& arguments, int timeoutMs) {
  if (!Launch(program, arguments)) {
    QMetaObject::invokeMethod(this, [this] { emit handshakeDone(false); }, Qt::QueuedConnection);
    return;
  }
  handshakeMs_ = timeoutMs;
  handshakeTimer_ = startTimer(timeoutMs);
}

void UciClient::timerEvent(QTimerEvent* event) {
  if (event->timerId() != handshakeTimer_) return QObject::timerEvent(event);
  if (stage_ == Stage::WaitUciOk || stage_ == Stage::WaitReadyOk) FinishHandshake(false, {});
}

void UciClient::HandshakeLine(const std::string& line) {
  const auto words = Words(line);
  if (words.empty()) return;
  if (stage_ == Stage::WaitUciOk) {
    if (words[0] == "id" && words.size() >= 3 && words[1] == "name") {
      name_ = QString::fromUtf8(Join(words, 2, words.size()).c_str()).left(200);
    } else if (words[0] == "id" && words.size() >= 3 && words[1] == "author") {
      author_ = QString::fromUtf8(Join(words, 2, words.size()).c_str()).left(200);
    } else if (words[0] == "option") {
      if (auto option = ParseUciOption(line); option && options_.size() < 500)
        options_.push_back(std::move(*option));
    } else if (words[0] == "uciok") {
      stage_ = Stage::WaitReadyOk;
      Send("isready");
    }
  } else if (words[0] == "readyok") {
    FinishHandshake(true, {});
  }
}

void UciClient::FinishHandshake(bool ok, const QString& error) {
  if (handshakeTimer_) killTimer(handshakeTimer_);
  handshakeTimer_ = 0;
  if (ok) {
    stage_ = Stage::Ready;
    emit handshakeDone(true);
    return;
  }
  const QString seconds = QString::number((handshakeMs_ + 999) / 1000);
  if (!error.isEmpty()) {
    error_ = error;
  } else if (!Running()) {
    error_ = QStringLiteral("%1 hat sich beim Start beendet – keine UCI-Engine?")
                 .arg(Quoted(program_));
  } else if (stage_ == Stage::WaitUciOk) {
    error_ = QStringLiteral(
                 "%1 hat nicht innerhalb von %2 Sekunden mit „uciok“ geantwortet – keine "
                 "UCI-Engine?")
                 .arg(Quoted(program_), seconds);
  } else {
    error_ = QStringLiteral("%1 hat nicht innerhalb von %2 Sekunden „readyok“ gemeldet.")
                 .arg(Quoted(program_), seconds);
  }
  stage_ = Stage::Failed;
  process_->kill();
  process_->waitForFinished(1000);
  emit handshakeDone(false);
}

void UciClient::ProcessEnded() {
  if (stage_ == Stage::WaitUciOk || stage_ == Stage::WaitReadyOk) {
    Drain();
    while (!lines_.empty() && stage_ != Stage::Ready) {
      const std::string line = std::move(lines_.front());
      lines_.pop_front();
      HandshakeLine(line);
    }
    if (stage_ != Stage::Ready) FinishHandshake(false, {});
  }
  emit exited();
}

void UciClient::Drain() {
  buffer_ += process_->readAllStandardOutput();
  bool added = false;
  qsizetype start = 0;
  for (;;) {
    const qsizetype end = buffer_.indexOf('\n', start);
    if (end < 0) break;
    if (skipping_) {
      skipping_ = false;
    } else if (end - start > kMaxLineBytes) {
      ++dropped_;
      emit note(QStringLiteral("Zeile von %1 Bytes verworfen").arg(end - start));
    } else {
      std::string line(buffer_.constData() + start, static_cast<std::size_t>(end - start));
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (stage_ == Stage::WaitUciOk || stage_ == Stage::WaitReadyOk) {
        lines_.push_back(std::move(line));
      } else if (lines_.size() < 10000) {
        lines_.push_back(std::move(line));
        added = true;
      } else {
        ++dropped_;
      }
    }
    start = end + 1;
  }
  buffer_.remove(0, start);
  if (buffer_.size() > kMaxLineBytes) {
    // The rest of this line is dropped as it comes.
    if (!skipping_) {
      ++dropped_;
      emit note(QStringLiteral("Zeile über %1 Bytes verworfen").arg(kMaxLineBytes));
    }
    skipping_ = true;
    buffer_.clear();
  }
  if (stage_ == Stage::WaitUciOk || stage_ == Stage::WaitReadyOk) {
    // Asynchronous start: the handshake consumes its lines here. The blocking start reads
    // them itself, so this runs only when no one is waiting in Start.
    if (handshakeTimer_) {
      while (!lines_.empty() && (stage_ == Stage::WaitUciOk || stage_ == Stage::WaitReadyOk)) {
        const std::string line = std::move(lines_.front());
        lines_.pop_front();
        HandshakeLine(line);
      }
    }
    if (stage_ != Stage::Ready) return;
    added = !lines_.empty();
  }
  if (added) emit linesAvailable();
}

void UciClient::Send(const std::string& line) {
  if (!Running()) return;
  process_->write(line.data(), static_cast<qint64>(line.size()));
  process_->write("\n", 1);
}

void UciClient::SetOption(const std::string& name, const std::string& value) {
  Send(value.empty() ? "setoption name " + name : "setoption name " + name + " value " + value);
}

bool UciClient::Sync(int timeoutMs) {
  Send("isready");
  const QDeadlineTimer deadline(timeoutMs);
  for (;;) {
    auto line = ReadLine(static_cast<int>(std::max<qint64>(0, deadline.remainingTime())));
    if (!line) return false;
    if (Words(*line).size() == 1 && Words(*line)[0] == "readyok") return true;
  }
}

std::optional<std::string> UciClient::ReadLine(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (lines_.empty()) {
    if (!Running() || deadline.hasExpired()) {
      Drain();
      break;
    }
    process_->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
  }
  return TakeLine();
}

std::optional<std::string> UciClient::TakeLine() {
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

void UciClient::Kill() {
  if (handshakeTimer_) killTimer(handshakeTimer_);
  handshakeTimer_ = 0;
  if (process_->state() == QProcess::NotRunning) return;
  process_->kill();
  process_->waitForFinished(1000);
}

void UciClient::Quit(int graceMs) {
  if (process_->state() == QProcess::NotRunning) return;
  Send("quit");
  process_->closeWriteChannel();
  if (!process_->waitForFinished(graceMs)) {
    process_->kill();
    process_->waitForFinished(1000);
  }
}

}  // namespace tavrel
