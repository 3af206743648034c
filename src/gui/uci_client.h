// The client side of UCI: an external engine in its own process (QProcess), talked to line by
// line. External engines are untrusted programs, so every wait has a deadline, every line a
// length limit, and a move the engine names is only a text until ParseUciMove (core/san.h)
// finds it among the legal moves of the position it was asked about.
//
// The client works both ways: blocking (Start, ReadLine, Sync: for the command-line match
// tool, each game in a thread of its own) and driven by the event loop (signal linesAvailable,
// then TakeLine: for the window, which must never wait for an engine).
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

// One "option name ... type ..." line of the engine's uci answer.
struct UciOption {
  std::string Name;
  std::string Type;  // "spin", "check", "combo", "string" or "button"
  std::string Default;
  std::string Min;
  std::string Max;
  std::vector<std::string> Vars;  // the choices of a combo
};
std::optional<UciOption> ParseUciOption(std::string_view line);

// What an "info" line tells about the search; a later line overwrites what it names.
struct UciInfo {
  int Depth = 0;
  bool HasScore = false;
  bool Mate = false;  // Score is moves to mate (negative: the side to move is mated)
  int Score = 0;      // centipawns from the side to move's view, or moves to mate
  std::vector<std::string> Pv;
};
// False for a line that is no info line. Bound scores ("lowerbound", "upperbound") are left
// out: they are not the engine's verdict.
bool ParseUciInfo(std::string_view line, UciInfo& info);

// The move text of a "bestmove" line (the first word after it), nothing for another line.
std::optional<std::string> ParseBestMove(std::string_view line);

class UciClient : public QObject {
  Q_OBJECT

 public:
  static constexpr qsizetype kMaxLineBytes = 64 * 1024;
  static constexpr int kHandshakeMs = 10000;

  explicit UciClient(QObject* parent = nullptr);
  ~UciClient() override;  // quits the engine, kills it when it does not go

  // Starts the program and checks it: "uci" answered by "uciok" and "isready" by "readyok",
  // all within timeoutMs. Blocks; false with a German reason in Error().
  bool Start(const QString& program, const QStringList& arguments = {},
             int timeoutMs = kHandshakeMs);

  // The same without blocking: handshakeDone(ok) follows, after at most timeoutMs.
  void StartAsync(const QString& program, const QStringList& arguments = {},
                  int timeoutMs = kHandshakeMs);

  QString Error() const { return error_; }
  QString Program() const { return program_; }
  QString Name() const { return name_; }  // "id name", else the program's file name
  QString Author() const { return author_; }
  const std::vector<UciOption>& Options() const { return options_; }
  bool Running() const;
  int DroppedLines() const { return dropped_; }

  void Send(const std::string& line);
  void SetOption(const std::string& name, const std::string& value);
  // "isready" and wait for "readyok"; lines before it are dropped.
  bool Sync(int timeoutMs);
  // The next line, waiting at most timeoutMs; nothing on timeout or when the engine is gone.
  std::optional<std::string> ReadLine(int timeoutMs);
  // The next line already received, without waiting.
  std::optional<std::string> TakeLine();
  // "quit", then a short wait, then kill.
  void Quit(int graceMs = 500);
  // At once, for an engine given up while it is still being checked.
  void Kill();
  qint64 ProcessId() const { return process_->processId(); }

 signals:
  void linesAvailable();
  void handshakeDone(bool ok);
  void exited();            // the process ended or could not run
  void note(QString text);  // something the engine sent that was dropped

 private:
  bool Launch(const QString& program, const QStringList& arguments);
  void Drain();
  void HandshakeLine(const std::string& line);
  void FinishHandshake(bool ok, const QString& error);
  void ProcessEnded();

  enum class Stage { Idle, WaitUciOk, WaitReadyOk, Ready, Failed };

  QProcess* process_;
  QString program_;
  QString error_;
  QString name_;
  QString author_;
  std::vector<UciOption> options_;
  QByteArray buffer_;
  bool skipping_ = false;  // inside an over-long line, up to its end
  std::deque<std::string> lines_;
  int dropped_ = 0;
  Stage stage_ = Stage::Idle;
  int handshakeMs_ = kHandshakeMs;
  int handshakeTimer_ = 0;

 protected:
  void timerEvent(QTimerEvent* event) override;
};

}  // namespace tavrel
