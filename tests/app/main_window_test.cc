// The main window as the user meets it: its controls, their places and
// states, Start and Stop with the timer, Clear and the paste buttons.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "app/about_window.h"
#include "app/qt_event_pump.h"
#include "tests/app/window_test_util.h"

namespace lirabel {
namespace {

using testing::control;
using testing::utf8;

// What the fake watch steps saw, so the order of Start and Stop shows.
struct Seen {
  int baselines = 0;
  int ticks = 0;
  std::vector<QString> summaries;
  // The state of the window when the baseline ran.
  int periodAtBaseline = -1;
  bool startEnabledAtBaseline = false;
  std::string statusAtBaseline;
  // The state of the window when the summary box was shown.
  int periodAtSummary = -1;
  bool startEnabledAtSummary = false;
  std::string statusAtSummary;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WatchController::Options options;
    options.baseline = [this](WatchState&, WatchView&) {
      ++seen_.baselines;
      seen_.periodAtBaseline = window_->controller().timerPeriod();
      seen_.startEnabledAtBaseline = button("按钮1")->isEnabled();
      seen_.statusAtBaseline = status();
    };
    options.tick = [this](WatchState&, WatchView&) { ++seen_.ticks; };
    options.summaryBox = [this](const QString& text) {
      seen_.summaries.push_back(text);
      seen_.periodAtSummary = window_->controller().timerPeriod();
      seen_.startEnabledAtSummary = button("按钮1")->isEnabled();
      seen_.statusAtSummary = status();
    };
    window_ = std::make_unique<MainWindow>(std::move(options));
    window_->show();
  }

  QPushButton* button(const char* name) {
    return control<QPushButton>(window_.get(), name);
  }
  QLineEdit* edit(const char* name) {
    return control<QLineEdit>(window_.get(), name);
  }
  std::string status() {
    return utf8(control<QLabel>(window_.get(), "标签2")->text());
  }
  QTimer* timer() { return control<QTimer>(window_.get(), "时钟1"); }
  std::string title() { return utf8(window_->windowTitle()); }

  std::unique_ptr<MainWindow> window_;
  Seen seen_;
};

TEST_F(MainWindowTest, ControlStatesFollowStartAndStop) {
  struct Row {
    const char* name;
    bool atStartUp;
    bool watching;
    bool afterStop;
  };
  const std::vector<Row> rows = {
      {"编辑框1", true, false, true},  // the address is fixed while watching
      {"编辑框2", true, true, true},   // the note stays editable
      {"按钮1", true, false, true},    // Start
      {"按钮2", false, true, false},   // Stop
      {"按钮3", true, false, true},    // Clear
      {"按钮4", true, false, true},    // paste address
      {"按钮5", true, false, true},    // paste note
      {"按钮6", true, true, true},     // Help/About
      {"按钮7", true, true, true},     // Exit
  };
  auto check = [&](const char* phase, bool Row::*column) {
    for (const Row& row : rows) {
      QWidget* widget = control<QWidget>(window_.get(), row.name);
      ASSERT_NE(widget, nullptr);
      EXPECT_EQ(widget->isEnabled(), row.*column) << row.name << " " << phase;
    }
  };
  const std::string fullTitle = kMainWindowTitle;

  check("at start-up", &Row::atStartUp);
  EXPECT_EQ(timer()->interval(), 0);
  EXPECT_FALSE(timer()->isActive());
  EXPECT_EQ(status(), "准备");
  EXPECT_EQ(title(), fullTitle);

  button("按钮1")->click();
  check("watching", &Row::watching);
  EXPECT_EQ(timer()->interval(), 30000);
  EXPECT_TRUE(timer()->isActive());
  EXPECT_TRUE(window_->controller().isWatching());
  EXPECT_EQ(status(), "已启动，请保持网络畅通");
  EXPECT_EQ(title(), fullTitle);

  button("按钮2")->click();
  check("after Stop", &Row::afterStop);
  EXPECT_EQ(timer()->interval(), 0);
  EXPECT_FALSE(timer()->isActive());
  EXPECT_FALSE(window_->controller().isWatching());
  EXPECT_EQ(status(), "已停止");
  EXPECT_EQ(title(), fullTitle);

  // A second watch switches the same way.
  button("按钮1")->click();
  check("watching again", &Row::watching);
  EXPECT_EQ(title(), fullTitle);
}

TEST_F(MainWindowTest, ControlsSitAtTheirPlaces) {
  struct Row {
    const char* name;
    const char* parent;  // nullptr: the window itself
    QRect geometry;
  };
  const std::vector<Row> rows = {
      {"标签1", nullptr, {8, 16, 56, 24}},
      {"编辑框1", nullptr, {64, 16, 400, 24}},
      {"按钮1", nullptr, {256, 48, 64, 64}},
      {"按钮2", nullptr, {328, 48, 64, 64}},
      {"按钮3", nullptr, {400, 48, 64, 64}},
      {"分组框1", nullptr, {8, 64, 240, 40}},
      {"标签2", "分组框1", {8, 16, 216, 16}},  // inside the group box
      {"标签4", nullptr, {8, 40, 232, 24}},
      {"标签3", nullptr, {24, 120, 168, 24}},
      {"编辑框2", nullptr, {200, 120, 264, 24}},
      {"按钮4", nullptr, {480, 8, 104, 80}},
      {"按钮5", nullptr, {480, 96, 104, 72}},
      {"按钮6", nullptr, {0, 144, 96, 48}},
      {"按钮7", nullptr, {104, 144, 88, 48}},
      {"标签5", nullptr, {496, 176, 80, 16}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* widget = control<QWidget>(window_.get(), row.name);
    ASSERT_NE(widget, nullptr);
    QWidget* expectedParent = row.parent
                                  ? control<QWidget>(window_.get(), row.parent)
                                  : window_.get();
    EXPECT_EQ(widget->parentWidget(), expectedParent);
    EXPECT_EQ(widget->geometry(), row.geometry);
    EXPECT_TRUE(widget->isVisible());
    // Whole inside its parent's client area, so nothing is cut off.
    EXPECT_TRUE(expectedParent->rect().contains(widget->geometry()))
        << "parent is " << expectedParent->width() << "x"
        << expectedParent->height();
  }
  EXPECT_EQ(window_->pos(), QPoint(50, 50));
}

TEST_F(MainWindowTest, ControlsShowTheirStartUpTexts) {
  struct Row {
    const char* name;
    const char* text;  // lines as the control shows them
  };
  const std::vector<Row> rows = {
      {"标签1", "主页地址"},
      {"编辑框1", ""},
      {"按钮1", "开始"},
      {"按钮2", "停止"},
      {"按钮3", "清除"},
      {"分组框1", "状态"},
      {"标签2", "准备"},
      {"标签4", "按钮做那么大，只为方便平板使用"},
      {"标签3", "歌手备注(不填表示使用昵称)："},
      {"编辑框2", ""},
      {"按钮4", "快速粘贴\n（主页地址）\n无需点清除"},  // three lines
      {"按钮5", "快速粘贴\n（歌手备注）\n无需点清除"},  // three lines
      {"按钮6", "帮助/关于"},
      {"按钮7", "退出"},
      {"标签5", "@Ostrel论坛"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QObject* object = control<QObject>(window_.get(), row.name);
    ASSERT_NE(object, nullptr);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(object)) {
      text = label->text();
    } else if (auto* box = qobject_cast<QLineEdit*>(object)) {
      text = box->text();
    } else if (auto* button = qobject_cast<QPushButton*>(object)) {
      text = button->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
      text = group->title();
    }
    EXPECT_EQ(utf8(text), row.text);
  }
}

TEST_F(MainWindowTest, EveryTextFitsItsControl) {
  const std::vector<const char*> names = {
      "标签1", "按钮1", "按钮2", "按钮3", "分组框1", "标签2", "标签4",
      "标签3", "按钮4", "按钮5", "按钮6", "按钮7",   "标签5"};
  for (const char* name : names) {
    QWidget* widget = control<QWidget>(window_.get(), name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(testing::fitProblem(widget), "") << name;
  }
  // The longest status text must fit too.
  QLabel* label2 = control<QLabel>(window_.get(), "标签2");
  for (Status s : {Status::kReady, Status::kStarted, Status::kWaiting,
                   Status::kDownloading, Status::kDownloaded,
                   Status::kDownloadFailed, Status::kStopped}) {
    const std::string_view text = statusText(s);
    label2->setText(QString::fromUtf8(text.data(), text.size()));
    EXPECT_EQ(testing::fitProblem(label2), "") << text;
  }
}

TEST_F(MainWindowTest, StartRunsItsStepsInOrder) {
  WatchState& state = window_->controller().state();
  state.downloadCount = 7;
  int countWhenStarted = -1;
  QObject::connect(&window_->controller(), &WatchController::statusChanged,
                   [&](Status s) {
                     if (s == Status::kStarted) {
                       countWhenStarted = state.downloadCount;
                     }
                   });
  button("按钮1")->click();

  // The baseline comes first: the timer still idle, the controls unswitched.
  EXPECT_EQ(seen_.baselines, 1);
  EXPECT_EQ(seen_.periodAtBaseline, 0);
  EXPECT_TRUE(seen_.startEnabledAtBaseline);
  EXPECT_EQ(seen_.statusAtBaseline, "准备");
  // The count is reset only after the status text.
  EXPECT_EQ(countWhenStarted, 7);
  EXPECT_EQ(state.downloadCount, 0);
  // No tick at Start.
  dispatchPendingEvents();
  EXPECT_EQ(seen_.ticks, 0);
}

TEST_F(MainWindowTest, StopShowsTheSummaryAfterSwitching) {
  button("按钮1")->click();
  button("按钮2")->click();
  ASSERT_EQ(seen_.summaries.size(), 1u);
  EXPECT_EQ(utf8(seen_.summaries[0]), "本次一共下载了0首作品");
  EXPECT_EQ(seen_.periodAtSummary, 0);
  EXPECT_TRUE(seen_.startEnabledAtSummary);
  EXPECT_EQ(seen_.statusAtSummary, "已停止");
}

TEST_F(MainWindowTest, SummaryCountsTheDownloadsOfTheWatch) {
  struct Case {
    std::int32_t downloads;
    const char* summary;
  };
  const std::vector<Case> cases = {
      {0, "本次一共下载了0首作品"},                   // Stop before any work
      {1, "本次一共下载了1首作品"},                   // one work
      {3, "本次一共下载了3首作品"},                   // several
      {1000, "本次一共下载了1000首作品"},             // no grouping
      {INT32_MAX, "本次一共下载了2147483647首作品"},  // the largest count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.downloads);
    seen_.summaries.clear();
    button("按钮1")->click();
    window_->controller().state().downloadCount = c.downloads;
    button("按钮2")->click();
    ASSERT_EQ(seen_.summaries.size(), 1u);
    EXPECT_EQ(utf8(seen_.summaries[0]), c.summary);
    EXPECT_EQ(utf8(summaryText(c.downloads)), c.summary);
  }
}

TEST_F(MainWindowTest, StopKeepsLastSeenTimeAndStartResetsTheCount) {
  button("按钮1")->click();
  WatchState& state = window_->controller().state();
  state.lastSeenTime = 1571234567;
  state.downloadCount = 2;
  button("按钮2")->click();
  EXPECT_EQ(state.lastSeenTime, 1571234567);
  EXPECT_EQ(state.downloadCount, 2);
  button("按钮1")->click();
  EXPECT_EQ(state.lastSeenTime, 1571234567);  // the fake baseline took none
  EXPECT_EQ(state.downloadCount, 0);
}

TEST_F(MainWindowTest, ClearEmptiesBothBoxes) {
  edit("编辑框1")->setText("https://example.com/singer?uid=1");
  edit("编辑框2")->setText("歌手");
  button("按钮3")->click();
  EXPECT_EQ(edit("编辑框1")->text(), QString());
  EXPECT_EQ(edit("编辑框2")->text(), QString());
}

TEST_F(MainWindowTest, ClearAndPasteDoNothingWhileWatching) {
  edit("编辑框1")->setText("address");
  QGuiApplication::clipboard()->setText("pasted");
  button("按钮1")->click();
  button("按钮3")->click();
  button("按钮4")->click();
  EXPECT_EQ(utf8(edit("编辑框1")->text()), "address");
}

TEST_F(MainWindowTest, PasteReplacesTheWholeText) {
  enum class Clipboard { kText, kImage, kEmpty };
  struct Case {
    const char* name;
    Clipboard content;
    const char* text;      // for kText
    const char* expected;  // the box afterwards
  };
  const std::vector<Case> cases = {
      {"address", Clipboard::kText, "https://example.com/s?uid=7",
       "https://example.com/s?uid=7"},
      {"not trimmed", Clipboard::kText, "  歌手 ", "  歌手 "},
      {"image only", Clipboard::kImage, nullptr, ""},
      {"nothing", Clipboard::kEmpty, nullptr, ""},
  };
  struct Target {
    const char* button;
    const char* box;
  };
  const std::vector<Target> targets = {{"按钮4", "编辑框1"},
                                       {"按钮5", "编辑框2"}};
  for (const Target& target : targets) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(target.button) + " " + c.name);
      QClipboard* clipboard = QGuiApplication::clipboard();
      switch (c.content) {
        case Clipboard::kText:
          clipboard->setText(QString::fromUtf8(c.text));
          break;
        case Clipboard::kImage: {
          QImage image(4, 4, QImage::Format_RGB32);
          image.fill(Qt::red);
          clipboard->setImage(image);
          break;
        }
        case Clipboard::kEmpty:
          clipboard->clear();
          break;
      }
      edit(target.box)->setText("old text");
      button(target.button)->click();
      EXPECT_EQ(utf8(edit(target.box)->text()), c.expected);
    }
  }
}

TEST_F(MainWindowTest, TheWatchReadsTheBoxesAsLocalText) {
  edit("编辑框1")->setText("https://example.com/主页");
  edit("编辑框2")->setText("歌手");
  WatchView& view = window_->controller();
  EXPECT_EQ(view.homepageAddress(),
            "https://example.com/\xD6\xF7\xD2\xB3");  // 主页 in GBK
  EXPECT_EQ(view.singerNote(), "\xB8\xE8\xCA\xD6");   // 歌手 in GBK
}

TEST_F(MainWindowTest, HelpShowsTheAboutWindowModallyWithoutParent) {
  bool inspected = false;
  testing::whileModal([&] { button("按钮6")->click(); },
                      [&](QWidget* modal) {
                        inspected = true;
                        EXPECT_NE(qobject_cast<AboutWindow*>(modal), nullptr);
                        EXPECT_EQ(modal->parentWidget(), nullptr);
                        EXPECT_EQ(modal->windowModality(),
                                  Qt::ApplicationModal);
                        EXPECT_TRUE(modal->windowTitle().isEmpty());
                      },
                      [](QWidget* modal) { modal->close(); });
  EXPECT_TRUE(inspected);
  EXPECT_EQ(title(), kMainWindowTitle);
}

}  // namespace
}  // namespace lirabel
