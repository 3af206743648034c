// The program's help window: shows the pages of a compiled help file, with its contents on the
// left, and follows the links between them. One window serves all help calls.
#pragma once

#include <QTextBrowser>
#include <QTreeWidget>
#include <QWidget>

#include <memory>

#include "gui/chm_file.h"

namespace tavrel {

// A text browser that reads pages, style sheets and pictures out of a help file. Pages are
// addressed as chm:///name.htm.
class TChmBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  explicit TChmBrowser(QWidget* parent);

  // Does not take ownership; the file must outlive its use here.
  void SetFile(const ChmFile* file) { file_ = file; }
  QVariant loadResource(int type, const QUrl& name) override;

  static QUrl UrlOf(const std::string& object);

 private:
  void FollowLink(const QUrl& url);

  const ChmFile* file_ = nullptr;
};

class THelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit THelpWindow(QWidget* parent = nullptr);
  ~THelpWindow() override;

  // Shows the topic (an object name of the file) of the file; takes ownership of the file.
  void Open(std::unique_ptr<ChmFile> file, const QString& path, const std::string& topic);

  QString FilePath() const { return path_; }
  TChmBrowser* Browser() const { return browser_; }
  QTreeWidget* Contents() const { return contents_; }

 private:
  void FillContents();
  void FitContentsWidth();

  std::unique_ptr<ChmFile> file_;
  QString path_;
  TChmBrowser* browser_;
  QTreeWidget* contents_;
};

}  // namespace tavrel
