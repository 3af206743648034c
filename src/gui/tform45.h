// The main window: the visible board ChessBrd1, the hidden board ChessBrd2 and the controls
// around them, and the whole flow of a game. The controls carry the short names of the
// window's design; each handler is named after its control and event. The code is split into
// tform45_layout.cpp (controls, menus, geometry), tform45_game.cpp (game flow, timer, board
// events) and tform45_files.cpp (start-up, settings, problem collection, save, load, closing).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QToolButton;

namespace tavrel {

class AnnouncementLine;
class TChessBrd;
class ExternalOpponent;
class AnalyseFenster;
class TMoveListBox;
class TPanel;
class ProblemTrainer;
class TProbleme;
class TRadioGroup;
class TSound;

class Tform45 : public QMainWindow {
  Q_OBJECT
 public:
  explicit Tform45(QWidget* parent = nullptr);
  ~Tform45() override;

  // --- Right column P5 ---
  QWidget* P5 = nullptr;
  TPanel* P1 = nullptr;
  TRadioGroup* G2 = nullptr;  // "Spieler weiß"
  TRadioGroup* G1 = nullptr;  // "Spieler schwarz"
  QCheckBox* C1 = nullptr;    // "Weiß oben darstellen"
  QLabel* L4 = nullptr;
  QSpinBox* Rx1 = nullptr;  // level 2..15
  QLabel* L3 = nullptr;     // level name
  QLabel* L8 = nullptr;
  QLabel* L6 = nullptr;  // white's clock
  QLabel* L9 = nullptr;
  QLabel* L7 = nullptr;  // black's clock
  QLabel* L1 = nullptr;
  TMoveListBox* LB1 = nullptr;
  QLabel* L5 = nullptr;
  QPushButton* D2 = nullptr;  // "Zug zurück"
  QPushButton* D3 = nullptr;  // "Zug weiter"
  QPushButton* D4 = nullptr;  // "Abbruch"
  QPushButton* D5 = nullptr;  // "Neues Spiel"
  QLabel* L13 = nullptr;
  QRadioButton* R1 = nullptr;     // "Dame"
  QRadioButton* R3 = nullptr;     // "Springer"
  QRadioButton* R2 = nullptr;     // "Turm"
  QRadioButton* R4 = nullptr;     // "Läufer"
  QPushButton* D6 = nullptr;      // "Zugvorschlag"
  QLabel* Label2 = nullptr;       // the suggested move
  TProbleme* probleme = nullptr;  // the problem panel, over the top of the column

  // --- Left area P6 ---
  QWidget* P6 = nullptr;
  TPanel* P7 = nullptr;  // title bar with the tool bar
  QToolButton* S7 = nullptr;
  QToolButton* S99 = nullptr;
  QToolButton* S15 = nullptr;
  TPanel* P10 = nullptr;  // status line: the thinking message
  TPanel* P9 = nullptr;   // left margin
  TPanel* P11 = nullptr;  // right margin
  TPanel* P12 = nullptr;  // holds ChessBrd1
  TPanel* P8 = nullptr;   // check line, holds the hidden ChessBrd2
  TChessBrd* ChessBrd1 = nullptr;
  TChessBrd* ChessBrd2 = nullptr;

  QTimer* Timer1 = nullptr;

  // --- Menus ---
  QMenu* MenuDatei = nullptr;
  QMenu* MenuSpielsteuerung = nullptr;
  QMenu* MenuProblemtavrel = nullptr;
  QMenu* MenuVarianten = nullptr;
  QMenu* MenuEroeffnungen = nullptr;
  QMenu* MenuHilfe = nullptr;
  QAction* FensterDrucken = nullptr;
  QAction* FensterKopieren = nullptr;
  QAction* Druckeinstellung = nullptr;
  QAction* Beenden = nullptr;
  QAction* NeuesSpiel = nullptr;
  QAction* AbbruchAutomatisch = nullptr;
  QAction* ZugAusfuehren = nullptr;
  QAction* ZugZurueck = nullptr;
  QAction* ZugVorwaerts = nullptr;
  QAction* m20 = nullptr;  // "Spielstand speichern"
  QAction* M21 = nullptr;  // "Spielstand laden"
  QAction* ZuglisteDrucken = nullptr;
  QAction* M24 = nullptr;  // "Zugvorschlag markieren"
  QAction* M23 = nullptr;  // "Letzten Zug markieren"
  QAction* ton = nullptr;  // "Tonausgabe bei Computerzug"
  QAction* Tavrelprobleme = nullptr;
  QAction* NeuesProblem = nullptr;
  QAction* SpielfeldKopieren = nullptr;
  QAction* EingabefeldLoeschen = nullptr;
  std::vector<QAction*> VariantItems;  // M12, x5, x6, M25, M13, M2, M26
  std::vector<QAction*> OpeningItems;  // e010 ... e012 in menu order
  QAction* M22 = nullptr;              // "Hilfe"
  QAction* M18 = nullptr;              // "Info über ..."
  // "Extras": games in and out as PGN, positions as FEN (tform45_pgn.cpp).
  QMenu* MenuExtras = nullptr;
  QAction* PgnSpeichern = nullptr;  // "Partie als PGN speichern …"
  QAction* PgnLaden = nullptr;      // "PGN-Partie laden …"
  QAction* FenKopieren = nullptr;   // "Stellung kopieren (FEN)", Ctrl+C
  QAction* FenEinfuegen = nullptr;  // "Stellung einfügen (FEN)", Ctrl+V
  QAction* PgnKopieren = nullptr;   // "Partie kopieren (PGN)", Ctrl+Shift+C
  QAction* ProblemeUeben = nullptr;  // "Probleme üben …" (tform45_trainer.cpp)
  QPointer<ProblemTrainer> Trainer;  // its window, made when first opened
  // Moves beside the drag (tform45_moves.cpp).
  QAction* ZuegePerKlick = nullptr;     // "Züge per Klick", ticked
  QAction* ZielfelderZeigen = nullptr;  // "Zielfelder zeigen", ticked
  QAction* WeissOben = nullptr;         // "Weiß oben", Ctrl+F, one switch with C1
  QAction* ZugEingeben = nullptr;       // "Zug eingeben …", Ctrl+E
  QLabel* Hinweis = nullptr;            // under the board: what the game waits for, typing errors
  QLineEdit* Zugeingabe = nullptr;      // the move field, under the board while open
  QLabel* Ansage = nullptr;             // above the board: the last move in words
  AnnouncementLine* HinweisZeile = nullptr;  // Hinweis and Ansage, each in a line that says
  AnnouncementLine* AnsageZeile = nullptr;   // its new texts to screen readers

  // --- Window state ---
  // Accumulated time of each side in whole milliseconds: 0.2 s added up in floating point
  // reached 2 s only after the tenth tick had been shown as 0:01.
  int64_t WhiteClockMs = 0;
  int64_t BlackClockMs = 0;
  uint32_t ThinkStart = 0;
  bool ClocksStopped = false;
  bool GameOver = false;
  bool SoundOn = false;
  bool SoundDue = false;
  bool MarkLastMove = true;
  bool MarkSuggestion = true;
  QString ExeFolder;
  QString DataFolder;
  std::vector<std::string> ProblemList;  // three lines per problem
  int ScreenPixelsPerInch = 96;

  // The millisecond tick counter the clocks and the thinking time are measured with (a steady
  // clock); tests may replace it.
  std::function<uint32_t()> TickCount;
  // Counts the sounds played; the sound itself cannot be observed without an audio device.
  int SoundsPlayed = 0;
  // Save and open dialogs use Qt's own widgets instead of the desktop's (tests drive them).
  bool UseNativeDialogs = true;
  // A game file named on the command line, in the system's bytes for the name (which need
  // not be UTF-8): opened after the first new game as a drop opens it, a ".pgn" as PGN.
  std::string StartFile;

  // --- Handlers ---
  void FormCreate();
  void FormActivate();
  void FormResize();
  void P6Resize();
  void P12Resize();
  void UpdateListBox();
  void D5click();
  void G2C();
  void G1C();
  void D4Click();
  void BMClick();
  void C1C();
  void T1Change();
  void Timer1Timer();
  void D2Click();
  void D3Click();
  void LB1C();
  void tonClick();
  void M23Click();
  void M24Click();
  void m20Click();
  void M21Click();
  void S7Click();
  void FormClose();

  void S13C();      // "Fenster kopieren"
  void S14Click();  // "Fenster drucken"
  void S15Click();  // "Zugliste drucken", S15
  void DruckeinstellungClick();
  void S99Click();  // help, F1
  void S10C();      // "Info über ..."

  // A start-position variant: a new game, then the variant's board text.
  void VariantClick(std::string_view board);
  // A stored opening, chosen by its menu item: copied to DataFolder + "000.spa" and loaded.
  void eladen(QAction* item);
  void CopyOpeningToFile(const QString& item);

  void Button7Click();  // "Zugvorschlag"
  void ChessBrd2LegalMove();

  void ChessBrd1LegalMove();
  void ChessBrd1Check();
  void ChessBrd1Mate();
  void ChessBrd1Draw();
  void ChessBrd1RecordFull();
  void EndGame(const QString& message);
  char ChessBrd1Promotion() const;

  // Saves the game to file / loads it from file: the steps after the dialog.
  void SaveGameTo(const QString& file);
  void LoadGameFrom(const QString& file);

  // Extras → "Gegner …": the external engine playing the computer's moves, when one is chosen.
  QAction* Gegner = nullptr;
  ExternalOpponent* Opponent = nullptr;
  void GegnerClick();
  // Extras → "Analyse" (off at start): the evaluation window, while ticked.
  QAction* Analyse = nullptr;
  AnalyseFenster* Analysefenster = nullptr;
  void AnalyseClick(bool on);

  // Extras: the steps after the dialogs, for the menu, dropped files and tests.
  void SavePgnTo(const QString& file);
  void LoadPgnFrom(const QString& file);
  void PasteFen(const QString& text);
  void OpenDroppedFile(const QString& file);  // ".spa" or ".pgn"
  // The same for a name in the system's bytes: a ".pgn" (any case) as PGN, else a saved game.
  void OpenGameFile(const std::string& path);
  void LoadGamePath(const std::string& path);
  void LoadPgnPath(const std::string& path);

  // A typed move in German or English SAN or coordinates: played as a person's move, or a
  // German message under the board and no change. True when played.
  bool TypeMove(const QString& text);
  void OpenMoveField(const QString& start);
  void CloseMoveField();
  void ShowHint(const QString& text);
  void UpdateHint();  // every tick: the hint while the computer is to move but halted
  void Announce();    // says the move put together from the board's events
  void Say(const QString& text);             // says a line of its own
  void AnnounceResult(const QString& result);  // the result, after the move that ended the game
  // The half-move that led to the position shown, in words ("Weiß: Bauer e2 nach e4"), or ""
  // at the start of the record.
  QString ShownMoveWords() const;

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void CreateControls();
  void CreateColumn();
  void CreateBoardArea();
  void CreateMenus();
  void CreateBoards();
  void ConnectHandlers();
  void ConnectExtras();
  void CreateProblemPanel();
  void ConnectSuggestion();
  void ConnectPgn();
  void ConnectTrainer();
  void ConnectOpponent();
  void ConnectMoves();
  void ShareWindowKeys();
  void SetClientSize(int width, int height);
  void CenterOnScreen();
  void LoadProblemCollection();
  void ReadSettings();
  void WriteSettings();
  void PlayerChanged(TRadioGroup* group, bool white);
  void PlaySound();
  // What a file dialog asks for: saved games (no question before replacing) or
  // PGN files of the "Extras" menu.
  struct FileKind {
    const char* filter;
    const char* suffix;
    const char* save_title;
    const char* load_title;
    bool confirm_overwrite;
  };
  QString AskFileName(bool save, const FileKind& kind = kGameFile);
  static const FileKind kGameFile;
  static const FileKind kPgnFile;

  bool activated_ = false;  // the first activation has run
  bool closed_ = false;
  std::unique_ptr<TSound> sound_;
  QString last_folder_;
  char typedPromotion_ = 0;
  QString pendingAnnouncement_;
  bool announceQueued_ = false;
  int haltedTicks_ = 0;
  std::function<void()> placeLineParts_;
};

}  // namespace tavrel
