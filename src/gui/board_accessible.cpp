#include "gui/board_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <array>

#include "gui/tchessbrd.h"

namespace tavrel {

QString SquareName(Square sq) {
  if (!IsBoardSquare(sq)) return {};
  return QString(QChar('a' + FileOf(sq) - 1)) + QString::number(RankOf(sq));
}

QString PieceName(char letter) {
  switch (letter) {
    case 'P': return QStringLiteral("weißer Bauer");
    case 'N': return QStringLiteral("weißer Springer");
    case 'B': return QStringLiteral("weißer Läufer");
    case 'R': return QStringLiteral("weißer Turm");
    case 'Q': return QStringLiteral("weiße Dame");
    case 'K': return QStringLiteral("weißer König");
    case 'p': return QStringLiteral("schwarzer Bauer");
    case 'n': return QStringLiteral("schwarzer Springer");
    case 'b': return QStringLiteral("schwarzer Läufer");
    case 'r': return QStringLiteral("schwarzer Turm");
    case 'q': return QStringLiteral("schwarze Dame");
    case 'k': return QStringLiteral("schwarzer König");
    default: return QStringLiteral("leer");
  }
}

QString SquareDescription(const char* squares, Square sq) {
  return SquareName(sq) + QStringLiteral(", ") + PieceName(squares[sq]);
}

namespace {

class SquareAccessible : public QAccessibleInterface,
                         public QAccessibleTableCellInterface,
                         public QAccessibleActionInterface {
 public:
  SquareAccessible(TChessBrd* board, Square sq) : board_(board), sq_(sq) {}

  bool isValid() const override { return board_ != nullptr; }
  QObject* object() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(board_.data());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override {
    if (!board_) return {};
    if (t == QAccessible::Name) return SquareDescription(board_->Squares(), sq_);
    if (t == QAccessible::Description && board_->Selected() == sq_)
      return QStringLiteral("ausgewählt");
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!board_) return {};
    const int s = board_->SizeOfSquare();
    return QRect(board_->mapToGlobal(board_->PixelOfSquare(sq_)), QSize(s, s));
  }
  QAccessible::Role role() const override { return QAccessible::Cell; }
  QAccessible::State state() const override {
    QAccessible::State st;
    if (!board_) return st;
    st.focusable = true;
    st.selectable = true;
    st.focused = board_->hasFocus() && board_->CursorSquare() == sq_;
    st.selected = board_->Selected() == sq_;
    st.invisible = !board_->isVisible();
    return st;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface)
      return static_cast<QAccessibleTableCellInterface*>(this);
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  bool isSelected() const override { return board_ && board_->Selected() == sq_; }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return FileOf(sq_) - 1; }
  int rowIndex() const override { return 8 - RankOf(sq_); }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
  void doAction(const QString& name) override {
    if (!board_) return;
    if (name == setFocusAction() || name == pressAction()) {
      board_->setFocus(Qt::OtherFocusReason);
      board_->SetCursorSquare(sq_);
    }
    // Later, so that the call returns at once: a move may end the game, and the message box
    // would keep the caller waiting until it is closed.
    if (name == pressAction())
      QMetaObject::invokeMethod(
          board_.data(), [board = board_, sq = sq_] { if (board) board->ActivateSquare(sq); },
          Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    return name == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList{};
  }

 private:
  QPointer<TChessBrd> board_;
  Square sq_;
};

class BoardAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  explicit BoardAccessible(TChessBrd* board)
      : QAccessibleWidget(board, QAccessible::Table, QStringLiteral("Schachbrett")) {
    for (int i = 0; i < 64; ++i) {
      cells_[i] = new SquareAccessible(board, static_cast<Square>(i + 1));
      ids_[i] = QAccessible::registerAccessibleInterface(cells_[i]);
    }
  }
  ~BoardAccessible() override {
    for (QAccessible::Id id : ids_) QAccessible::deleteAccessibleInterface(id);
  }

  TChessBrd* board() const { return static_cast<TChessBrd*>(widget()); }

  int childCount() const override { return 64; }
  QAccessibleInterface* child(int index) const override {
    return index >= 0 && index < 64 ? cells_[index] : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < 64; ++i)
      if (cells_[i] == child) return i;
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint p = board()->mapFromGlobal(QPoint(x, y));
    const Square sq = board()->SquareAtPixel(p.x(), p.y());
    return sq == None ? nullptr : cells_[sq - 1];
  }
  QAccessibleInterface* focusChild() const override {
    return board()->hasFocus() ? cells_[board()->CursorSquare() - 1] : nullptr;
  }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && board()->accessibleName().isEmpty())
      return QStringLiteral("Schachbrett");
    return QAccessibleWidget::text(t);
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    if (row < 0 || row > 7 || column < 0 || column > 7) return nullptr;
    return cells_[row * 8 + column];
  }
  int selectedCellCount() const override { return board()->Selected() != None ? 1 : 0; }
  QList<QAccessibleInterface*> selectedCells() const override {
    if (board()->Selected() == None) return {};
    return {cells_[board()->Selected() - 1]};
  }
  QString columnDescription(int column) const override {
    return QString(QChar('a' + column));
  }
  QString rowDescription(int row) const override { return QString::number(8 - row); }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return 0; }
  int columnCount() const override { return 8; }
  int rowCount() const override { return 8; }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override { return {}; }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int) const override { return false; }
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent*) override {}

 private:
  std::array<SquareAccessible*, 64> cells_{};
  std::array<QAccessible::Id, 64> ids_{};
};

QAccessibleInterface* BoardFactory(const QString& classname, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (classname == QLatin1String("tavrel::TChessBrd"))
    return new BoardAccessible(static_cast<TChessBrd*>(object));
  if (classname == QLatin1String("tavrel::AnnouncementLine"))
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
  return nullptr;
}

}  // namespace

void InstallBoardAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(BoardFactory);
    return true;
  }();
  (void)installed;
}

void BoardAccessibleCursorMoved(TChessBrd* board) {
  if (!QAccessible::isActive() || !board->hasFocus()) return;
  QAccessibleEvent focus(board, QAccessible::Focus);
  focus.setChild(board->CursorSquare() - 1);
  QAccessible::updateAccessibility(&focus);
}

AnnouncementLine::AnnouncementLine(QWidget* parent) : QWidget(parent), label_(new QLabel(this)) {
  InstallBoardAccessible();
  setAccessibleName(QStringLiteral("Ansage"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_);
}

void AnnouncementLine::Say(const QString& text) {
  label_->setText(text);
  if (!QAccessible::isActive()) return;
  QAccessibleEvent shown(this, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
}

}  // namespace tavrel
