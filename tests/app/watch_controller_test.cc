// The timer 时钟1 and its period rules, and how its elapses reach the watch.
#include "app/watch_controller.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <thread>

#include "app/qt_event_pump.h"
#include "platform/event_pump.h"

namespace lirabel {
namespace {

class FakeWindow : public WatchWindow {
 public:
  QString homepageAddressText() const override { return address; }
  QString singerNoteText() const override { return note; }
  void switchControlsToWatching() override { ++toWatching; }
  void switchControlsToIdle() override { ++toIdle; }

  QString address;
  QString note;
  int toWatching = 0;
  int toIdle = 0;
};

// Lets events through until `done` holds or five seconds have passed.
template <typename Done>
bool waitFor(Done done) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < 5000) {
    dispatchPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

TEST(WatchControllerTest, StartArmsTheTimerForOneFullPeriod) {
  FakeWindow window;
  int ticks = 0;
  WatchController::Options options;
  options.baseline = nullptr;
  options.tick = [&](WatchState&, WatchView&) { ++ticks; };
  WatchController controller(window, options);

  EXPECT_EQ(controller.timerPeriod(), 0);
  EXPECT_FALSE(controller.timer().isActive());
  controller.startWatch();
  EXPECT_EQ(controller.timerPeriod(), 30000);
  EXPECT_TRUE(controller.timer().isActive());
  EXPECT_EQ(controller.timer().interval(), 30000);
  // Just armed: nearly the whole period lies ahead, and nothing has elapsed.
  EXPECT_GT(controller.timer().remainingTime(), 29000);
  dispatchPendingEvents();
  EXPECT_EQ(ticks, 0);

  controller.stopWatch();
  EXPECT_EQ(controller.timerPeriod(), 0);
  EXPECT_FALSE(controller.timer().isActive());
}

TEST(WatchControllerTest, SettingThePeriodFollowsItsRules) {
  FakeWindow window;
  WatchController controller(window, {});

  controller.setTimerPeriod(30000);
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  // The value it already has: the running period is not restarted.
  controller.setTimerPeriod(30000);
  EXPECT_TRUE(controller.timer().isActive());
  EXPECT_LT(controller.timer().remainingTime(), 29960);

  // Another value restarts it with a full period.
  controller.setTimerPeriod(20000);
  EXPECT_TRUE(controller.timer().isActive());
  EXPECT_GT(controller.timer().remainingTime(), 19900);
  EXPECT_FALSE(controller.isWatching());  // not the watch period

  controller.setTimerPeriod(0);
  EXPECT_FALSE(controller.timer().isActive());
  EXPECT_EQ(controller.timerPeriod(), 0);
}

TEST(WatchControllerTest, FirstElapseComesOnePeriodAfterStart) {
  FakeWindow window;
  window.address = "https://example.com/a";
  window.note = "note";
  constexpr int kPeriodMs = 100;  // stands in for the watch period
  int ticks = 0;
  bool watchingDuringTick = false;
  Text addressSeen;
  Text noteSeen;
  QElapsedTimer sinceStart;
  qint64 firstTickAfterMs = -1;
  WatchController::Options options;
  options.watchPeriodMs = kPeriodMs;
  options.tick = [&](WatchState&, WatchView& view) {
    if (++ticks == 1) firstTickAfterMs = sinceStart.elapsed();
    watchingDuringTick = view.isWatching();
    addressSeen = view.homepageAddress();
    noteSeen = view.singerNote();
  };
  options.baseline = nullptr;
  WatchController controller(window, options);

  sinceStart.start();
  controller.startWatch();
  EXPECT_EQ(ticks, 0);
  ASSERT_TRUE(waitFor([&] { return ticks >= 1; }));
  EXPECT_GE(firstTickAfterMs, kPeriodMs - 1);
  EXPECT_TRUE(watchingDuringTick);
  EXPECT_EQ(addressSeen, "https://example.com/a");
  EXPECT_EQ(noteSeen, "note");
  controller.stopWatch();
}

TEST(WatchControllerTest, AnElapseDuringATickIsSkipped) {
  FakeWindow window;
  constexpr int kPeriodMs = 20;
  int entered = 0;
  int nested = 0;
  bool inTick = false;
  WatchController::Options options;
  options.watchPeriodMs = kPeriodMs;
  options.baseline = nullptr;
  options.tick = [&](WatchState&, WatchView&) {
    ++entered;
    if (inTick) ++nested;
    inTick = true;
    // As a work-page request does: let events through for several periods.
    QElapsedTimer busy;
    busy.start();
    while (busy.elapsed() < 5 * kPeriodMs) {
      platform::letPendingEventsThrough();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    inTick = false;
  };
  WatchController controller(window, options);
  platform::EventPump before = platform::setEventPump(&dispatchPendingEvents);
  controller.startWatch();
  ASSERT_TRUE(waitFor([&] { return entered >= 2; }));
  controller.stopWatch();
  platform::setEventPump(before);
  EXPECT_EQ(nested, 0);
}

TEST(WatchControllerTest, StopDuringATickStopsTheTimer) {
  FakeWindow window;
  constexpr int kPeriodMs = 20;
  int ticks = 0;
  WatchController* self = nullptr;
  std::vector<QString> summaries;
  WatchController::Options options;
  options.watchPeriodMs = kPeriodMs;
  options.baseline = nullptr;
  options.summaryBox = [&](const QString& text) { summaries.push_back(text); };
  options.tick = [&](WatchState& state, WatchView& view) {
    ++ticks;
    // Stop clicked while the tick lets events through.
    self->stopWatch();
    // The tick runs to its end and may still count its work.
    EXPECT_FALSE(view.isWatching());
    ++state.downloadCount;
  };
  WatchController controller(window, options);
  self = &controller;
  controller.startWatch();
  ASSERT_TRUE(waitFor([&] { return ticks >= 1; }));
  EXPECT_FALSE(controller.timer().isActive());
  ASSERT_EQ(summaries.size(), 1u);
  EXPECT_EQ(summaries[0].toStdString(), "本次一共下载了0首作品");
  EXPECT_EQ(controller.state().downloadCount, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * kPeriodMs));
  dispatchPendingEvents();
  EXPECT_EQ(ticks, 1);
}

TEST(EventPumpTest, LetsEveryPendingEventThrough) {
  platform::EventPump before = platform::setEventPump(nullptr);
  installQtEventPump();
  int delivered = 0;
  // Each handler queues the next, as a click may queue a repaint.
  QTimer::singleShot(0, [&] {
    ++delivered;
    QTimer::singleShot(0, [&] { ++delivered; });
  });
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&] { ++delivered; }, Qt::QueuedConnection);
  platform::letPendingEventsThrough();
  EXPECT_EQ(delivered, 3);

  // An event source that never runs dry still lets the pump return.
  QTimer busy;
  int busyRuns = 0;
  QObject::connect(&busy, &QTimer::timeout, [&] { ++busyRuns; });
  busy.start(0);
  platform::letPendingEventsThrough();
  busy.stop();
  EXPECT_GT(busyRuns, 0);
  platform::setEventPump(before);
}

}  // namespace
}  // namespace lirabel
