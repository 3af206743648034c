// Start-up time of the main window with problem collections at the reader's limits: the largest
// collection it accepts must still start in under 2 s. Prints one line per collection; not a
// test (the machine is shared and noisy).
#include <time.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <string>

#include "gui/tform45.h"
#include "core/problem_file.h"

namespace {

using namespace tavrel;

double CpuMs() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

std::string Board() {
  return "rnbqkbnrpppppppp" + std::string(32, ' ') + "PPPPPPPPRNBQKBNR";
}

// Writes the collection as the working copy and times the window from construction until it
// is shown with its list filled. Message boxes (a refused collection) are closed and counted.
void Run(const char* name, const std::string& text) {
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  const QString folder = data.filePath(QStringLiteral("Orvanel 2014"));
  QDir().mkpath(folder);
  const auto packed = DeflateBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  WriteFileAtomically(
      (folder + QStringLiteral("/mtavrel.c00")).toStdString(),
      std::string_view(reinterpret_cast<const char*>(packed.data()), packed.size()));
  QString message;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      message = box->text();
      box->accept();
    }
  });
  closer.start(5);
  QElapsedTimer clock;
  clock.start();
  const double cpu = CpuMs();
  {
    Tform45 w;
    w.show();
    QApplication::processEvents();
    const qint64 shown = clock.elapsed();
    const double cpuShown = CpuMs() - cpu;
    auto* list = w.findChild<QListWidget*>(QStringLiteral("LB2"));
    // CPU time beside wall time: on a shared machine the wall clock includes others' turns.
    std::printf(
        "startup %-28s %6lld ms cpu %6.0f ms  packed %8zu B  unpacked %9zu B  list %7d%s%s\n", name,
        static_cast<long long>(shown), cpuShown, packed.size(), text.size(),
        list ? list->count() : -1, message.isEmpty() ? "" : "  refused: ",
        message.left(120).replace('\n', ' ').toLocal8Bit().constData());
    std::fflush(stdout);
    while (QApplication::activeModalWidget()) QApplication::processEvents();
  }
}

std::string Problems(std::size_t count, std::size_t titleLength) {
  std::string text;
  const std::string board = Board();
  for (std::size_t i = 0; i < count; ++i) {
    std::string title = std::to_string(i) + ". Matt";
    title.resize(std::max(title.size(), titleLength), 'x');
    text += title + "\r\n2\r\n" + board + "\r\n";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString only = qEnvironmentVariable("BENCH_ONLY");
  auto Run = [&](const char* name, const std::string& text) {
    if (only.isEmpty() || QString::fromLatin1(name).contains(only)) ::Run(name, text);
  };
  Run("shipped-size (300 problems)", Problems(300, 20));
  Run("limit problems", Problems(kMaxProblems, 40));
  Run("limit problems, long titles", Problems(kMaxProblems, kMaxProblemText / kMaxProblems - 80));
  Run("limit size, empty lines", std::string(kMaxProblemText, '\n'));
  Run("limit size, one line", std::string(kMaxProblemText, 'x'));
  Run("beyond: 400000 problems", Problems(400000, 20));
  Run("beyond: 60 MiB empty lines", std::string(std::size_t{60} << 20, '\n'));
  return 0;
}
