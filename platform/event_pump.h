// The one toolkit operation that code outside the windows needs: letting the
// pending window events through while a request is being read.
//
// The window code installs the toolkit's implementation at start-up; until
// then (and in tests that install none) letPendingEventsThrough does nothing.
// Tests install a counting hook to see how often events are let through.
#ifndef LIRABEL_PLATFORM_EVENT_PUMP_H_
#define LIRABEL_PLATFORM_EVENT_PUMP_H_

#include <functional>

namespace lirabel::platform {

using EventPump = std::function<void()>;

// Replaces the installed hook; an empty function removes it. Returns the hook
// that was installed before, so a caller can put it back.
EventPump setEventPump(EventPump pump);

// Dispatches every pending window event, then returns.
void letPendingEventsThrough();

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_EVENT_PUMP_H_
