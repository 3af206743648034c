// How quickly "Abbruch!" ends a running solution, measured through the panel with the real
// solver: from the stop request to the result shown on the UI thread. Not a unit test (the
// machine is shared); run it by hand:  QT_QPA_PLATFORM=offscreen ./test_probleme_stop_bench
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "gui/tchessbrd.h"
#include "gui/probleme.h"

using namespace tavrel;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  auto* window = new QWidget;
  auto* board = new TChessBrd(window);
  QTimer timer1;
  auto* P7 = new QLabel(window);
  auto* P8 = new QLabel(window);
  auto* D6 = new QPushButton(window);
  std::vector<std::string> problems;
  ProblemeLinks links{board, &problems, [] { return QString(); }, &timer1, P7, P8, D6, {}};
  auto* panel = new TProbleme(window, links);
  int shown = 0;
  QObject::connect(panel, &TProbleme::SolutionShown, [&] { ++shown; });
  panel->S6C();
  panel->t2->setValue(8);  // the initial position: no mate, the search runs until stopped

  std::vector<double> latencies;
  for (int run = 0; run < 10; ++run) {
    panel->D7Click();
    QTest::qWait(100 + 37 * run);
    QElapsedTimer clock;
    clock.start();
    const int before = shown;
    panel->D7Click();
    if (!QTest::qWaitFor([&] { return shown > before; }, 10000)) {
      std::puts("stop not answered within 10 s");
      return 1;
    }
    latencies.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  std::sort(latencies.begin(), latencies.end());
  double sum = 0;
  for (double l : latencies) sum += l;
  std::printf("stop to result shown: runs %zu, median %.2f ms, mean %.2f ms, max %.2f ms\n",
              latencies.size(), latencies[latencies.size() / 2], sum / latencies.size(),
              latencies.back());
  delete panel;
  delete board;
  delete window;
  return latencies.back() < 500 ? 0 : 1;
}
