// The whole watch through the real main window on Qt's offscreen platform:
// Start against a fixture singer on 127.0.0.1, a new work appears, a tick
// saves it, Stop shows the summary.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/qt_event_pump.h"
#include "tests/app/window_test_util.h"
#include "tests/support/fixture_server.h"
#include "tests/watch/watch_fakes.h"

namespace lirabel::testing {
namespace {

// Short enough for a test; the real period is 30 s.
constexpr int kTestPeriodMs = 200;
constexpr int kWaitLimitMs = 20000;

FixtureResponse page(const std::string& body, const std::string& type) {
  FixtureResponse response;
  response.headers = {{"Content-Type", type}};
  response.body = body;
  return response;
}

std::string workPage(const std::string& media, const std::string& song) {
  return "<html><head><meta charset=\"utf-8\"></head><script>{\"playurl\":\"" +
         media + "\",\"song_name\":\"" + song +
         "\",\"nick\":\"demo\"}</script></html>";
}

// Runs the event loop until done() holds or the limit passes.
bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > kWaitLimitMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

TEST(WatchWindowTest, StartTickAndStopSaveTheNewWork) {
  FixtureServer site;
  ScratchFolder folder;
  auto homepage =
      [&](const std::vector<std::pair<std::string, std::string>>& works) {
        site.route("/singer", page(homepageFor(works), "text/html"));
      };
  std::vector<std::pair<std::string, std::string>> works = {
      {site.url("/work/4"), "1004"},
      {site.url("/work/3"), "1003"},
      {site.url("/work/2"), "1002"},
      {site.url("/work/1"), "1001"}};
  homepage(works);

  WatchController::Options options = MainWindow::defaultWatchOptions();
  options.watchPeriodMs = kTestPeriodMs;
  MainWindow window(options);
  window.controller().state().outputFolder = folder.path();
  window.show();

  control<QLineEdit>(&window, "编辑框1")
      ->setText(QString::fromStdString(site.url("/singer")));
  control<QPushButton>(&window, "按钮1")->click();
  QLabel* status = control<QLabel>(&window, "标签2");
  EXPECT_EQ(utf8(status->text()), "已启动，请保持网络畅通");
  EXPECT_EQ(window.controller().state().lastSeenTime, 1004);

  // The singer publishes a work after Start.
  site.route("/work/5",
             page(workPage(site.url("/media/5"), "new song"), "text/html"));
  site.route("/media/5", page("the new work's bytes", "audio/mp4"));
  works.insert(works.begin(), {site.url("/work/5"), "1005"});
  homepage(works);

  const std::string file = "demo - new song.m4a";
  ASSERT_TRUE(waitFor([&] { return !folder.names().empty(); }))
      << "no tick saved the work";
  ASSERT_TRUE(
      waitFor([&] { return utf8(status->text()) == "下载成功，继续监控中"; }));
  EXPECT_EQ(folder.names(), std::vector<std::string>{file});
  EXPECT_EQ(folder.read(file), "the new work's bytes");

  std::string summary;
  whileModal([&] { control<QPushButton>(&window, "按钮2")->click(); },
             [&](QWidget* modal) {
               if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                 summary = utf8(box->text());
               }
             },
             [](QWidget* modal) { modal->close(); });
  EXPECT_EQ(summary, "本次一共下载了1首作品");
  EXPECT_EQ(utf8(status->text()), "已停止");
  EXPECT_FALSE(window.controller().isWatching());

  // After Stop no tick comes, and nothing more is written.
  QElapsedTimer idle;
  idle.start();
  while (idle.elapsed() < 3 * kTestPeriodMs) QApplication::processEvents();
  EXPECT_EQ(folder.names(), std::vector<std::string>{file});
  EXPECT_EQ(utf8(status->text()), "已停止");
}

}  // namespace
}  // namespace lirabel::testing

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  lirabel::installQtEventPump();
  return RUN_ALL_TESTS();
}
