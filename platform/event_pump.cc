#include "platform/event_pump.h"

#include <utility>

namespace lirabel::platform {

namespace {
// Everything runs on the window thread, so a plain global is enough.
EventPump& installedPump() {
  static EventPump pump;
  return pump;
}
}  // namespace

EventPump setEventPump(EventPump pump) {
  return std::exchange(installedPump(), std::move(pump));
}

void letPendingEventsThrough() {
  // A copy, so a handler that runs here may replace the hook safely.
  EventPump pump = installedPump();
  if (pump) pump();
}

}  // namespace lirabel::platform
