// The real main window watching a homepage with nothing new: resident
// memory after start-up, and the CPU the process uses while it waits.
//
// It builds the program's own MainWindow (the offscreen platform unless
// QT_QPA_PLATFORM says otherwise), types the address of the generated 1 MB
// homepage, served by a private nginx on 127.0.0.1, into 编辑框1 and clicks
// 按钮1 (Start). From the click it lets the event loop run for a watch of
// kWatchSeconds: the timer's elapses at 30 s and 60 s fall inside and are
// part of the figure, each a full tick that fetches and reads the page. The
// CPU of the first kQuietSeconds, before any elapse is due, is reported on
// its own: that is the cost of waiting alone (the text cursor of whichever
// edit box holds the focus blinks in it too; the widget is printed).
//   idle_bench [watch seconds=60.5]
// The last line ("figures ...") is for bench/run.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/main_window.h"
#include "app/qt_event_pump.h"
#include "bench/bench_support.h"

namespace {

using namespace lirabel::bench;

// Long enough to hold the elapse at 60 s, which a window of exactly 60 s
// would race.
constexpr double kDefaultWatchSeconds = 60.5;
// Ends well before the first elapse at 30 s.
constexpr double kQuietSeconds = 29;
constexpr double kCpuGoalPercent = 0.1;
constexpr long kMemoryGoalBytes = 80L << 20;

}  // namespace

int main(int argc, char** argv) {
  const double watchSeconds =
      argc > 1 ? std::atof(argv[1]) : kDefaultWatchSeconds;
  if (watchSeconds <= kQuietSeconds) {
    std::fprintf(stderr, "usage: idle_bench [watch seconds > %.0f]\n",
                 kQuietSeconds);
    return 2;
  }
  // The site first, so that its page and nginx cost this process nothing
  // later on.
  Site site("lirabel-idle-bench");
  if (!site.put("singer.html", makeHomepageUtf8()) || !site.start()) {
    std::fprintf(stderr, "nginx did not start\n");
    return 1;
  }
  const QString url = QString::fromStdString(site.url("singer.html"));

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  const long rssBeforeQt = residentBytes();
  // As the program's own main() does.
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  QApplication::setFont(lirabel::windowFont());
  lirabel::installQtEventPump();
  lirabel::MainWindow window;
  window.show();
  QApplication::processEvents();
  const long rssShown = residentBytes();

  auto* address = window.findChild<QLineEdit*>(QStringLiteral("编辑框1"));
  auto* start = window.findChild<QPushButton*>(QStringLiteral("按钮1"));
  if (address == nullptr || start == nullptr) {
    std::fprintf(stderr, "the window has no 编辑框1 or 按钮1\n");
    return 1;
  }
  address->setFocus();
  address->setText(url);
  start->click();  // takes the baseline, then starts the timer
  const double cpuAtStart = processCpuSeconds();
  QElapsedTimer clock;
  clock.start();
  if (!window.controller().isWatching()) {
    std::fprintf(stderr, "Start did not start the watch\n");
    return 1;
  }
  QApplication::processEvents();
  const long rssWatching = residentBytes();
  const bool baselineTaken = window.controller().state().lastSeenTime > 0;
  // A focused edit box blinks its cursor: a wake-up of its own.
  const QWidget* focus = QApplication::focusWidget();
  const QString focusName =
      focus ? focus->objectName() : QStringLiteral("(none)");

  std::vector<double> elapses;  // seconds after Start
  QObject::connect(&window.controller().timer(), &QTimer::timeout, &app,
                   [&] { elapses.push_back(clock.nsecsElapsed() / 1e9); });
  double cpuQuiet = 0;
  QTimer::singleShot(static_cast<int>(kQuietSeconds * 1000), Qt::PreciseTimer,
                     &app,
                     [&] { cpuQuiet = processCpuSeconds() - cpuAtStart; });
  QTimer::singleShot(static_cast<int>(watchSeconds * 1000), Qt::PreciseTimer,
                     &app, &QApplication::quit);
  app.exec();
  const double cpuWatch = processCpuSeconds() - cpuAtStart;
  const double wall = clock.nsecsElapsed() / 1e9;
  const long rssEnd = residentBytes();

  const double quietPercent = 100 * cpuQuiet / kQuietSeconds;
  const double watchPercent = 100 * cpuWatch / wall;
  std::printf("homepage: %s (baseline %s)\n", url.toUtf8().constData(),
              baselineTaken ? "taken" : "NOT taken");
  std::printf(
      "VmRSS: %.1f MiB before Qt, %.1f MiB with the window shown, %.1f MiB "
      "after Start, %.1f MiB at the end (goal < %.0f MiB)\n",
      rssBeforeQt / 1048576.0, rssShown / 1048576.0, rssWatching / 1048576.0,
      rssEnd / 1048576.0, kMemoryGoalBytes / 1048576.0);
  std::printf("keyboard focus after Start: %s\n",
              focusName.toUtf8().constData());
  std::printf("timer elapses at:");
  for (double t : elapses) std::printf(" %.2f s", t);
  std::printf("\n");
  std::printf("CPU over the first %.0f s (no elapse due): %.1f ms = %.4f %%\n",
              kQuietSeconds, cpuQuiet * 1e3, quietPercent);
  std::printf(
      "CPU over %.1f s of watching, %zu ticks included: %.1f ms = %.4f %% "
      "(goal < %.1f %%)\n",
      wall, elapses.size(), cpuWatch * 1e3, watchPercent, kCpuGoalPercent);
  std::printf(
      "figures rss_start_bytes=%ld rss_shown_bytes=%ld rss_end_bytes=%ld "
      "quiet_s=%.1f quiet_cpu_s=%.6f watch_s=%.2f watch_cpu_s=%.6f ticks=%zu "
      "baseline=%d\n",
      rssWatching, rssShown, rssEnd, kQuietSeconds, cpuQuiet, wall, cpuWatch,
      elapses.size(), baselineTaken ? 1 : 0);
  return baselineTaken && watchPercent < kCpuGoalPercent &&
                 rssWatching < kMemoryGoalBytes
             ? 0
             : 1;
}
