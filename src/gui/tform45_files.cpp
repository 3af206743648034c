// Start-up and closing of the main window, the settings file, the problem collection and
// saving and loading games.
#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <utility>

#include "gui/move_list_box.h"
#include "gui/paths.h"
#include "core/settings_file.h"
#include "gui/sound.h"
#include "gui/tform45.h"
#include "gui/window_parts.h"
#include "core/chessboard.h"
#include "gui/tchessbrd.h"
#include "gui/print_settings.h"
#include "core/problem_file.h"
#include "gui/probleme.h"

namespace tavrel {

namespace {

uint32_t SteadyMilliseconds() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

Tform45::Tform45(QWidget* parent) : QMainWindow(parent), TickCount(SteadyMilliseconds) {
  CreateControls();
  CreateBoards();
  ConnectHandlers();
  ConnectExtras();
  ConnectSuggestion();
  ConnectPgn();
  ConnectOpponent();
  ConnectTrainer();
  ConnectMoves();
  ShareWindowKeys();
  FormCreate();
}

Tform45::~Tform45() = default;

void Tform45::FormCreate() {
  SetClientSize(1008, 709);
  ExeFolder = tavrel::ExeFolder();
  DataFolder = tavrel::DataFolder();
  ResetPrintMargins();
  EnsureDataFolder();
  LoadProblemCollection();
  probleme->FillList();
  ScreenPixelsPerInch = logicalDpiY();
  Timer1->start();
}

bool Tform45::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && !activated_) FormActivate();
  return QMainWindow::event(e);
}

void Tform45::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (activated_) return;
  CenterOnScreen();
  // Without a window manager a shown window may never be activated; the first activation's
  // work must run all the same.
  QTimer::singleShot(0, this, [this] {
    if (!activated_) FormActivate();
  });
}

// Only the first activation reads the settings and starts a game: later activations come
// back from a message box or a dialog, and a new game then would wipe, for example, the game
// whose mate message has just been closed.
void Tform45::FormActivate() {
  activated_ = true;
  S99->hide();
  M22->setVisible(false);
  GameOver = false;
  ReadSettings();
  ChessBrd1->YellowHighlight = false;
  D5click();
  if (!StartFile.empty()) {
    // Outside the activation, like a menu command: a failure shows the general error box
    // over the window and leaves the new game.
    QTimer::singleShot(0, this,
                       [this, file = std::exchange(StartFile, {})] { OpenGameFile(file); });
  }
}

void Tform45::ReadSettings() {
  const std::optional<TavrelSettings> settings =
      tavrel::ReadSettings(tavrel::DataFolder().toStdString());
  if (!settings) return;
  Rx1->setValue(settings->Level);  // runs T1Change
  M23->setChecked(settings->MarkLastMove);
  MarkLastMove = M23->isChecked();
  ton->setChecked(settings->SoundOn);
  SoundOn = ton->isChecked();
  M24->setChecked(settings->MarkSuggestion);
  MarkSuggestion = M24->isChecked();
}

void Tform45::WriteSettings() {
  TavrelSettings settings;
  settings.Level = Rx1->value();
  settings.MarkLastMove = MarkLastMove;
  settings.SoundOn = SoundOn;
  settings.MarkSuggestion = MarkSuggestion;
  tavrel::WriteSettings(tavrel::DataFolder().toStdString(), settings);
}

// The collection's start-up step. Its failure (no collection at all, a damaged file, an
// unwritable data folder) is shown once the window is on screen; the list then holds what
// could be loaded.
void Tform45::LoadProblemCollection() {
  try {
    StartProblemCollection(ProblemList, ExeFolder.toStdString(), DataFolder.toStdString());
  } catch (const std::exception& e) {
    const QString message = QString::fromStdString(ErrorMessage(e));
    QTimer::singleShot(0, this, [this, message] { ShowError(this, message); });
  }
}

const Tform45::FileKind Tform45::kGameFile{"Tavrelpartie (*.spa)", "spa", "Spielstand speichern",
                                           "Spielstand laden", false};
const Tform45::FileKind Tform45::kPgnFile{"PGN-Partie (*.pgn)", "pgn", "Partie als PGN speichern",
                                          "PGN-Partie laden", true};

QString Tform45::AskFileName(bool save, const FileKind& kind) {
  QFileDialog dialog(this);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(QString::fromUtf8(kind.filter));
  dialog.setDefaultSuffix(QString::fromUtf8(kind.suffix));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !kind.confirm_overwrite);
  dialog.setOption(QFileDialog::DontUseNativeDialog, !UseNativeDialogs);
  dialog.setWindowTitle(QString::fromUtf8(save ? kind.save_title : kind.load_title));
  dialog.setDirectory(last_folder_.isEmpty() ? QDir::homePath() : last_folder_);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  last_folder_ = dialog.directory().absolutePath();
  return dialog.selectedFiles().first();
}

void Tform45::m20Click() {
  const QString file = AskFileName(true);
  if (!file.isEmpty()) SaveGameTo(file);
}

void Tform45::M21Click() {
  const QString file = AskFileName(false);
  if (!file.isEmpty()) LoadGameFrom(file);
}

// File names reach the system as its own bytes (QFile::encodeName), not as UTF-8.
void Tform45::SaveGameTo(const QString& file) {
  ChessBrd1->SaveGame(QFile::encodeName(file).toStdString());
}

void Tform45::LoadGameFrom(const QString& file) {
  LoadGamePath(QFile::encodeName(file).toStdString());
}

void Tform45::LoadGamePath(const std::string& file) {
  // A file that cannot be loaded must not cost the game on the board: it is tried on a board
  // of its own first, and its error box leaves everything as it was.
  {
    ChessBoard trial;
    trial.LoadGame(file);
  }
  WhiteClockMs = 0;
  BlackClockMs = 0;
  ClocksStopped = false;
  P8->clear();
  ChessBrd1->NewGame();
  try {
    ChessBrd1->LoadGame(file);
  } catch (...) {
    UpdateListBox();  // the file changed since the trial: the list shows the fresh board
    throw;
  }
  UpdateListBox();
  {
    const QSignalBlocker quiet(LB1);
    LB1->setCurrentRow(LB1->count() - 1);
  }
  LB1C();
}

void Tform45::S7Click() {
  close();
}

void Tform45::closeEvent(QCloseEvent* e) {
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
  e->accept();
}

void Tform45::FormClose() {
  Timer1->stop();
  probleme->StopSolution();
  const QString opening_copy = tavrel::DataFolder() + QStringLiteral("000.spa");
  if (QFile::exists(opening_copy)) QFile::remove(opening_copy);
  WriteSettings();
  ProblemList.clear();
}

}  // namespace tavrel
