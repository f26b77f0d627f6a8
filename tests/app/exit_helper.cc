// A child process for the exit test: opens the main window, optionally starts
// a watch, then clicks Exit. Exit must end the process with code 0 at once;
// every other way out reports a code of its own.
#include <QApplication>
#include <QByteArray>
#include <QPushButton>
#include <cstdlib>
#include <cstring>

#include "app/main_window.h"

namespace {
constexpr int kSummaryShown = 3;
constexpr int kExitReturned = 4;
constexpr int kBadArguments = 5;
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || (std::strcmp(argv[1], "idle") != 0 &&
                    std::strcmp(argv[1], "watching") != 0)) {
    return kBadArguments;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  }
  QApplication app(argc, argv);
  lirabel::WatchController::Options options;
  options.baseline = nullptr;
  options.tick = nullptr;
  options.summaryBox = [](const QString&) { std::_Exit(kSummaryShown); };
  lirabel::MainWindow window(std::move(options));
  window.show();
  auto* start = window.findChild<QPushButton*>(QStringLiteral("按钮1"));
  auto* exit = window.findChild<QPushButton*>(QStringLiteral("按钮7"));
  if (start == nullptr || exit == nullptr) return kBadArguments;
  if (std::strcmp(argv[1], "watching") == 0) start->click();
  exit->click();
  return kExitReturned;
}
