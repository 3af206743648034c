#include "gui/help_window.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QSplitter>
#include <QStringDecoder>
#include <QStyle>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>

namespace tavrel {

namespace {

const QString kScheme = QStringLiteral("chm");

QString DecodeHtml(const std::string& bytes) {
  const QByteArray data = QByteArray::fromStdString(bytes);
  QStringDecoder decoder = QStringDecoder::decoderForHtml(data);
  if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
  return decoder.decode(data);
}

}  // namespace

TChmBrowser::TChmBrowser(QWidget* parent) : QTextBrowser(parent) {
  // Links are followed here, so that pages inside the file never go to the desktop.
  setOpenLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this, &TChmBrowser::FollowLink);
}

QUrl TChmBrowser::UrlOf(const std::string& object) {
  QUrl url;
  url.setScheme(kScheme);
  url.setPath(QString::fromStdString(object));
  return url;
}

QVariant TChmBrowser::loadResource(int type, const QUrl& name) {
  if (!file_ || name.scheme() != kScheme) return {};
  const std::optional<std::string> data = file_->Read(name.path().toStdString());
  if (!data) return {};
  if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
    return DecodeHtml(*data);
  return QByteArray::fromStdString(*data);
}

void TChmBrowser::FollowLink(const QUrl& url) {
  if (url.scheme() == kScheme || url.isRelative()) {
    setSource(url);
  } else {
    QDesktopServices::openUrl(url);
  }
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("Tavrel – Hilfe"));
  resize(760, 560);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* tools = new QToolBar(this);
  layout->addWidget(tools);
  auto* split = new QSplitter(this);
  layout->addWidget(split, 1);
  contents_ = new QTreeWidget(split);
  contents_->setHeaderHidden(true);
  contents_->setAccessibleName(QStringLiteral("Inhalt"));
  browser_ = new TChmBrowser(split);
  browser_->setAccessibleName(QStringLiteral("Hilfetext"));
  split->setStretchFactor(1, 3);
  split->setSizes({200, 560});

  QAction* back = tools->addAction(QStringLiteral("Zurück"), browser_, &QTextBrowser::backward);
  QAction* forward = tools->addAction(QStringLiteral("Vorwärts"), browser_, &QTextBrowser::forward);
  tools->addAction(QStringLiteral("Startseite"), browser_, &QTextBrowser::home);
  back->setShortcut(QKeySequence::Back);
  forward->setShortcut(QKeySequence::Forward);
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
  connect(contents_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const QUrl url = item->data(0, Qt::UserRole).toUrl();
    if (url.isValid()) browser_->setSource(url);
  });
  connect(contents_, &QTreeWidget::itemClicked, contents_, &QTreeWidget::itemActivated);
}

THelpWindow::~THelpWindow() {
  browser_->SetFile(nullptr);
}

void THelpWindow::Open(std::unique_ptr<ChmFile> file, const QString& path,
                       const std::string& topic) {
  if (path != path_ || !file_) {
    browser_->SetFile(file.get());
    file_ = std::move(file);
    path_ = path;
    browser_->clearHistory();
    if (!file_->Title().empty()) setWindowTitle(QString::fromStdString(file_->Title()));
    FillContents();
  }
  browser_->setSource(TChmBrowser::UrlOf(topic));
}

// The contents file is an HTML list of <OBJECT type="text/sitemap"> entries with a "Name" and
// a "Local" parameter, nested by <UL>.
void THelpWindow::FillContents() {
  contents_->clear();
  const std::optional<std::string> hhc =
      file_->ContentsFile().empty() ? std::nullopt : file_->Read(file_->ContentsFile());
  contents_->setVisible(hhc.has_value());
  if (!hhc) return;
  static const QRegularExpression token(
      QStringLiteral("<ul[^>]*>|</ul>|<object[^>]*text/sitemap[^>]*>(.*?)</object>"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression param(
      QStringLiteral("<param\\s+name=\"([^\"]*)\"\\s+value=\"([^\"]*)\""),
      QRegularExpression::CaseInsensitiveOption);
  QList<QTreeWidgetItem*> parents;  // the item each open list hangs under (null: top level)
  QTreeWidgetItem* last = nullptr;
  int depth = 0;
  for (auto it = token.globalMatch(DecodeHtml(*hhc)); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    const QString t = m.captured(0);
    if (t.startsWith(QLatin1String("</"))) {
      if (depth > 0 && --depth < parents.size()) parents.resize(depth);
      continue;
    }
    if (!t.startsWith(QLatin1String("<o"), Qt::CaseInsensitive)) {
      // A nested list hangs under the entry before it; the outermost list is the top level.
      parents.append(depth++ == 0 ? nullptr : last);
      continue;
    }
    QString name, local;
    for (auto p = param.globalMatch(m.captured(1)); p.hasNext();) {
      const QRegularExpressionMatch pm = p.next();
      if (pm.captured(1).compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0)
        name = pm.captured(2);
      if (pm.captured(1).compare(QLatin1String("Local"), Qt::CaseInsensitive) == 0)
        local = pm.captured(2);
    }
    QTreeWidgetItem* parent = parents.isEmpty() ? nullptr : parents.last();
    last = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
    last->setText(0, name);
    if (!local.isEmpty())
      last->setData(0, Qt::UserRole, TChmBrowser::UrlOf((QLatin1Char('/') + local).toStdString()));
  }
  contents_->expandAll();
  FitContentsWidth();
}

// Widens the contents list so that its longest title shows in full; the page keeps the rest.
void THelpWindow::FitContentsWidth() {
  auto* split = qobject_cast<QSplitter*>(contents_->parentWidget());
  if (!split) return;
  const QFontMetrics metrics(contents_->font());
  const int margin =
      2 * (contents_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, contents_) + 1);
  int widest = 0;
  for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
    int depth = contents_->rootIsDecorated() ? 1 : 0;
    for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent()) ++depth;
    widest = std::max(widest, depth * contents_->indentation() +
                                  metrics.horizontalAdvance((*it)->text(0)) + margin);
  }
  // The frame on both sides and room for a scroll bar, should the list grow taller.
  const int needed =
      widest + 2 * contents_->frameWidth() +
      contents_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, contents_);
  const QList<int> sizes = split->sizes();
  // Before the window is first shown the splitter is not laid out: the window's width counts.
  const int total = split->isVisible() ? sizes.value(0) + sizes.value(1) : width();
  if (sizes.value(0) >= needed || total <= 0) return;
  const int list = std::min(needed, total / 2);  // the page stays the larger part
  split->setSizes({list, total - list});
}

}  // namespace tavrel
