// The watch as the main window drives it, without any widget: Start, Stop and
// the timer 时钟1 whose elapses run the new-work check.
//
// WatchController owns the run's WatchState and the timer. The window it reads
// from and switches (a WatchWindow) belongs to the caller and must outlive the
// controller. The watch is on exactly while the timer's period is the watch
// period; there is no other watch flag.
#ifndef LIRABEL_APP_WATCH_CONTROLLER_H_
#define LIRABEL_APP_WATCH_CONTROLLER_H_

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "app/status_texts.h"
#include "app/watch_core.h"

namespace lirabel {

// The timer's period while watching, in milliseconds.
inline constexpr int kWatchPeriodMs = 30000;

// The summary that Stop shows: "本次一共下载了" + count + "首作品".
QString summaryText(std::int32_t downloadCount);

// What the controller needs of the main window.
class WatchWindow {
 public:
  virtual ~WatchWindow() = default;
  virtual QString homepageAddressText() const = 0;  // 编辑框1
  virtual QString singerNoteText() const = 0;       // 编辑框2
  // The control switching of Start and of Stop, each in its own fixed order.
  virtual void switchControlsToWatching() = 0;
  virtual void switchControlsToIdle() = 0;
};

class WatchController : public QObject, public WatchView {
  Q_OBJECT

 public:
  // One step of the watch over the run's state: the baseline, the tick.
  using WatchStep = std::function<void(WatchState&, WatchView&)>;
  // Shows the summary text and returns when the box is closed.
  using SummaryBox = std::function<void(const QString& text)>;

  struct Options {
    WatchStep baseline = &takeBaseline;
    WatchStep tick = &checkForNewWorks;
    SummaryBox summaryBox;               // no box when empty
    int watchPeriodMs = kWatchPeriodMs;  // other values only in tests
  };

  WatchController(WatchWindow& window, Options options,
                  QObject* parent = nullptr);

  void startWatch();
  void stopWatch();

  // Sets the period of 时钟1: the value it already has changes nothing; any
  // other value stops it, and a value above 0 starts it afresh, so the first
  // elapse comes one full period later.
  void setTimerPeriod(int periodMs);
  int timerPeriod() const;

  WatchState& state() { return state_; }
  const QTimer& timer() const { return timer_; }

  // WatchView, for the watch steps.
  Text homepageAddress() override;
  Text singerNote() override;
  void showStatus(Status status) override;
  bool isWatching() override;

 signals:
  // 标签2 is to show statusText(status).
  void statusChanged(lirabel::Status status);

 private:
  void onTimerElapsed();

  WatchWindow& window_;
  Options options_;
  WatchState state_;
  QTimer timer_;
  int period_ = 0;
  bool tickRunning_ = false;
};

}  // namespace lirabel

#endif  // LIRABEL_APP_WATCH_CONTROLLER_H_
