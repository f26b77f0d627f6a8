#include "app/watch_controller.h"

#include <utility>

#include "app/qt_text.h"

namespace lirabel {

QString summaryText(std::int32_t downloadCount) {
  return QStringLiteral("本次一共下载了") + QString::number(downloadCount) +
         QStringLiteral("首作品");
}

WatchController::WatchController(WatchWindow& window, Options options,
                                 QObject* parent)
    : QObject(parent), window_(window), options_(std::move(options)) {
  timer_.setObjectName(QStringLiteral("时钟1"));
  // A coarse timer may fire up to 5% early; the first check is due one full
  // period after Start.
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, &WatchController::onTimerElapsed);
  // The timer is a child so that it can be found by its name.
  timer_.setParent(this);
}

void WatchController::startWatch() {
  // The baseline's outcome never stops Start.
  if (options_.baseline) options_.baseline(state_, *this);
  setTimerPeriod(options_.watchPeriodMs);
  window_.switchControlsToWatching();
  showStatus(Status::kStarted);
  state_.downloadCount = 0;
}

void WatchController::stopWatch() {
  setTimerPeriod(0);
  window_.switchControlsToIdle();
  showStatus(Status::kStopped);
  const QString summary = summaryText(state_.downloadCount);
  if (options_.summaryBox) options_.summaryBox(summary);
}

void WatchController::setTimerPeriod(int periodMs) {
  if (periodMs < 0) periodMs = 0;
  if (periodMs == period_) return;
  period_ = periodMs;
  timer_.stop();
  timer_.setInterval(periodMs);
  if (periodMs > 0) timer_.start();
}

int WatchController::timerPeriod() const { return period_; }

Text WatchController::homepageAddress() {
  return toLocalText(window_.homepageAddressText());
}

Text WatchController::singerNote() {
  return toLocalText(window_.singerNoteText());
}

void WatchController::showStatus(Status status) { emit statusChanged(status); }

bool WatchController::isWatching() {
  return period_ > 0 && period_ == options_.watchPeriodMs;
}

void WatchController::onTimerElapsed() {
  // A tick lets window events through while it reads a work page; an elapse
  // handled there would see lastSeenTime not yet raised and take the same
  // work twice. Such an elapse is skipped; the next one comes a period later.
  if (tickRunning_) return;
  tickRunning_ = true;
  if (options_.tick) options_.tick(state_, *this);
  tickRunning_ = false;
}

}  // namespace lirabel
