// Counts how often pending window events are let through while it lives, and
// puts the hook that was installed before back when it goes.
#ifndef LIRABEL_TESTS_WEB_SESSION_PUMP_COUNTER_H_
#define LIRABEL_TESTS_WEB_SESSION_PUMP_COUNTER_H_

#include <utility>

#include "platform/event_pump.h"

namespace lirabel {

class PumpCounter {
 public:
  PumpCounter() : previous_(platform::setEventPump([this] { ++count_; })) {}
  ~PumpCounter() { platform::setEventPump(std::move(previous_)); }
  PumpCounter(const PumpCounter&) = delete;
  PumpCounter& operator=(const PumpCounter&) = delete;
  int count() const { return count_; }

 private:
  int count_ = 0;
  platform::EventPump previous_;
};

}  // namespace lirabel

#endif  // LIRABEL_TESTS_WEB_SESSION_PUMP_COUNTER_H_
