// The menu "Extras": games out and in as PGN (file and clipboard), the shown position as FEN
// (copy and paste), and ".spa"/".pgn" files dropped on the window. The chess work is the
// core's (board/pgn.h); this file asks for files, talks to the clipboard and shows messages.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QUrl>
#include <cctype>
#include <filesystem>

#include "gui/move_list_box.h"
#include "gui/external_opponent.h"
#include "gui/tform45.h"
#include "gui/window_parts.h"
#include "core/chessboard.h"
#include "core/pgn.h"
#include "gui/tchessbrd.h"
#include "core/problem_file.h"

namespace tavrel {
namespace {

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

std::string Native(const QString& file) {
  return QFile::encodeName(file).toStdString();
}

QString SuffixOf(const QString& file) {
  return QFileInfo(file).suffix().toLower();
}

// The local file a drag carries, if it is a game the window can open.
QString DroppedGame(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().first();
  if (!url.isLocalFile()) return {};
  const QString file = url.toLocalFile();
  const QString suffix = SuffixOf(file);
  return suffix == QLatin1String("spa") || suffix == QLatin1String("pgn") ? file : QString();
}

// Takes drags and drops of game files for the whole window.
class GameDropFilter : public QObject {
 public:
  explicit GameDropFilter(Tform45* window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != window_) return false;
    if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
      auto* drag = static_cast<QDropEvent*>(e);
      if (DroppedGame(drag->mimeData()).isEmpty()) return false;
      drag->acceptProposedAction();
      return true;
    }
    if (e->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(e);
      const QString file = DroppedGame(drop->mimeData());
      if (file.isEmpty()) return false;
      drop->acceptProposedAction();
      window_->OpenDroppedFile(file);
      return true;
    }
    return false;
  }

 private:
  Tform45* window_;
};

// One line of the choice among several games: "3: White – Black, Event, Date".
QString GameTitle(const PgnGame& game, int index) {
  QString title = QString::number(index + 1) + QStringLiteral(": ") + Text(game.Tag("White")) +
                  QStringLiteral(" – ") + Text(game.Tag("Black"));
  for (const char* tag : {"Event", "Date"}) {
    const std::string value = game.Tag(tag);
    if (!value.empty() && value.find_first_not_of("?.") != std::string::npos)
      title += QStringLiteral(", ") + Text(value);
  }
  return title;
}

// The shown game as PGN text; the players as the groups show them, dated today.
std::string PgnOfWindow(const Tform45& w) {
  const int level = w.Rx1->value();
  // The computer's moves are the external engine's while one is chosen.
  const std::string engine =
      w.Opponent && w.Opponent->Attached() ? w.Opponent->PlayerName().toStdString() : std::string();
  auto player = [level, &engine](const TRadioGroup* group) {
    if (group->ItemIndex() != 1) return std::string("Mensch");
    return engine.empty() ? "Tavrel (Stufe " + std::to_string(level) + ")" : engine;
  };
  const std::string date = PgnToday();
  return WritePgn(GameFromBoard(*w.ChessBrd1, player(w.G2), player(w.G1), date));
}

}  // namespace

void Tform45::ConnectPgn() {
  if (!MenuExtras) {
    MenuExtras = new QMenu(QStringLiteral("Extras"), this);
    MenuExtras->setObjectName(QStringLiteral("MenuExtras"));
    menuBar()->insertMenu(MenuHilfe->menuAction(), MenuExtras);
  }
  auto item = [this](const char* name, const QString& caption, const QKeySequence& keys) {
    QAction* action = MenuExtras->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty()) {
      action->setShortcut(keys);
      action->setShortcutContext(Qt::WindowShortcut);
    }
    return action;
  };
  PgnSpeichern = item("PgnSpeichern", QStringLiteral("Partie als PGN speichern …"), {});
  PgnLaden = item("PgnLaden", QStringLiteral("PGN-Partie laden …"), {});
  MenuExtras->addSeparator();
  FenKopieren = item("FenKopieren", QStringLiteral("Stellung kopieren (FEN)"),
                     QKeySequence(Qt::CTRL | Qt::Key_C));
  FenEinfuegen = item("FenEinfuegen", QStringLiteral("Stellung einfügen (FEN)"),
                      QKeySequence(Qt::CTRL | Qt::Key_V));
  PgnKopieren = item("PgnKopieren", QStringLiteral("Partie kopieren (PGN)"),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));

  connect(PgnSpeichern, &QAction::triggered, this, [this] {
    const QString file = AskFileName(true, kPgnFile);
    if (!file.isEmpty()) SavePgnTo(file);
  });
  connect(PgnLaden, &QAction::triggered, this, [this] {
    const QString file = AskFileName(false, kPgnFile);
    if (!file.isEmpty()) LoadPgnFrom(file);
  });
  // A focused text field (the level, the problem panel's entries) asks for Ctrl+C and Ctrl+V
  // first through Qt's shortcut override, so these keys reach the window only elsewhere.
  connect(FenKopieren, &QAction::triggered, this,
          [this] { QApplication::clipboard()->setText(Text(FenOfBoard(*ChessBrd1))); });
  connect(FenEinfuegen, &QAction::triggered, this,
          [this] { PasteFen(QApplication::clipboard()->text()); });
  connect(PgnKopieren, &QAction::triggered, this,
          [this] { QApplication::clipboard()->setText(Text(PgnOfWindow(*this))); });

  setAcceptDrops(true);
  installEventFilter(new GameDropFilter(this));
}

void Tform45::SavePgnTo(const QString& file) {
  const std::string text = PgnOfWindow(*this);
  try {
    WriteFileAtomically(Native(file), text);
  } catch (const std::exception& e) {
    ShowError(this, Text(ErrorMessage(e)));  // names the file and the reason
  }
}

void Tform45::LoadPgnFrom(const QString& file) {
  LoadPgnPath(Native(file));
}

void Tform45::LoadPgnPath(const std::string& path) {
  const QString file = QFile::decodeName(QByteArray::fromStdString(path));
  std::vector<PgnGame> games;
  try {
    games = ReadPgn(ReadPgnFile(path));
  } catch (const PgnError& e) {
    ShowError(this, Text(e.what()));
    return;
  }
  if (games.empty()) {
    ShowError(this, QStringLiteral("Die Datei \"%1\" enthält keine Partie.").arg(file));
    return;
  }
  size_t chosen = 0;
  if (games.size() > 1) {
    QStringList titles;
    for (size_t i = 0; i < games.size(); ++i) titles << GameTitle(games[i], static_cast<int>(i));
    bool ok = false;
    const QString title = QInputDialog::getItem(
        this, QStringLiteral("Tavrel"), QStringLiteral("Partie wählen:"), titles, 0, false, &ok);
    if (!ok) return;
    chosen = static_cast<size_t>(std::max<qsizetype>(0, titles.indexOf(title)));
  }
  // The game is replayed on a board of its own first: a bad move leaves the shown game alone.
  ChessBoard scratch;
  try {
    PlayPgnGame(games[chosen], scratch);
  } catch (const PgnError& e) {
    ShowError(this, Text(e.what()));
    return;
  }
  WhiteClockMs = 0;
  BlackClockMs = 0;
  ClocksStopped = false;
  P8->clear();
  ChessBrd1->NewGame();
  ChessBrd1->LoadGameBytes(GameBytes(scratch), path);
  UpdateListBox();
  {
    const QSignalBlocker quiet(LB1);
    LB1->setCurrentRow(LB1->count() - 1);
  }
  LB1C();
  // Its moves are all there is: a file cut off mid-game must not pass for the whole game.
  if (!games[chosen].EndsWithResult)
    ShowMessage(this, QStringLiteral("Die Partie in \"%1\" endet ohne Ergebnis (1-0, 0-1, "
                                     "1/2-1/2 oder *). Die Datei ist vielleicht unvollständig; "
                                     "geladen sind die Züge bis dorthin.")
                          .arg(file));
}

void Tform45::PasteFen(const QString& text) {
  FenPosition position;
  try {
    position = ParseSetUpFen(text.trimmed().toStdString());
  } catch (const PgnError& e) {
    ShowError(this, Text(e.what()));
    return;
  }
  D5click();
  StartFromFen(*ChessBrd1, position);
  UpdateListBox();
}

void Tform45::OpenDroppedFile(const QString& file) {
  OpenGameFile(Native(file));
}

void Tform45::OpenGameFile(const std::string& path) {
  std::string suffix = std::filesystem::path(path).extension().string();
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (suffix == ".pgn")
    LoadPgnPath(path);
  else
    LoadGamePath(path);
}

}  // namespace tavrel
