#include "app/qt_event_pump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>

#include "platform/event_pump.h"

namespace lirabel {

namespace {

// Events that keep posting new events (a zero-period timer, say) would
// otherwise hold a request in the pump forever.
constexpr int kMaxDispatchRounds = 100;

// Qt has no public "quit requested" state: the quit request is an event sent
// to the application object, so watch for it. Once the user has closed the
// main window, a request still running must not start further handlers.
class QuitWatcher : public QObject {
 public:
  using QObject::QObject;
  bool quitting() const { return quitting_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Quit &&
        watched == QCoreApplication::instance()) {
      quitting_ = true;
    }
    return false;
  }

 private:
  bool quitting_ = false;
};

QuitWatcher* quitWatcher = nullptr;

bool applicationQuitting() {
  if (QCoreApplication::instance() == nullptr ||
      QCoreApplication::closingDown()) {
    return true;
  }
  return quitWatcher != nullptr && quitWatcher->quitting();
}

}  // namespace

void dispatchPendingEvents() {
  for (int round = 0; round < kMaxDispatchRounds; ++round) {
    if (applicationQuitting()) return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) return;
    // False: nothing was waiting, the queue is empty.
    if (!dispatcher->processEvents(QEventLoop::AllEvents)) return;
  }
}

void installQtEventPump() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app != nullptr && quitWatcher == nullptr) {
    // A child of the application, so it goes when the application goes.
    quitWatcher = new QuitWatcher(app);
    app->installEventFilter(quitWatcher);
    QObject::connect(quitWatcher, &QObject::destroyed,
                     [] { quitWatcher = nullptr; });
  }
  platform::setEventPump(&dispatchPendingEvents);
}

}  // namespace lirabel
