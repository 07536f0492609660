#include "main/EventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "platform/ticks.h"
#include "toolkit/synchronize.h"

namespace {

using Clock = std::chrono::steady_clock;

// A round of the Qt event loop costs far more than the few bytes sent before it.
// Without a hand-over from the port's threads there is nothing the caller waits for, and
// the window's own events can wait this long unnoticed (a frame is 16 ms).
constexpr auto kQuietPumpInterval = std::chrono::milliseconds(1);

uint64_t g_signalsPumped = 0;
Clock::time_point g_lastPump;

void ProcessPending() {
  g_signalsPumped = MainThreadSignalCount();
  g_lastPump = Clock::now();
  QCoreApplication::processEvents();
}

}  // namespace

void PumpEvents() {
  if (MainThreadSignalCount() == g_signalsPumped && Clock::now() - g_lastPump < kQuietPumpInterval) return;
  ProcessPending();
}

namespace {

// Blocks until at least one event has been processed or about Milliseconds have passed.
// Some dispatchers deliver the events that woke them only on their next round, and then
// block again; the check before blocking makes such a round return when Done() has become
// true meanwhile, instead of sleeping on to the deadline.
void SleepForEvents(uint32_t Milliseconds, const std::function<bool()>& Done) {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher) {
    ProcessPending();
    return;
  }
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  deadline.start(static_cast<int>(std::min<uint32_t>(Milliseconds, INT32_MAX)));
  const auto guard = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher,
                                      [&] {
                                        if (Done()) dispatcher->interrupt();
                                      });
  g_signalsPumped = MainThreadSignalCount();
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  g_lastPump = Clock::now();
  QObject::disconnect(guard);
}

// The last tick of a wait: Qt's timers count whole milliseconds and would overshoot the
// tick by up to one more, so wait for a hand-over from the port's threads or the tick itself.
bool LastTick(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) {
  const uint64_t seen = MainThreadSignalCount();
  PumpEvents();
  if (Done()) return true;
  const auto left = platform::TimeUntilTicks(Start, Milliseconds);
  if (left.count() > 0) MainThreadWait(seen, left);
  return false;
}

}  // namespace

bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) {
  bool slept = false;
  for (;;) {
    const uint32_t elapsed = platform::TicksSince(Start);
    if (elapsed >= Milliseconds) return false;
    if (Milliseconds - elapsed == 1) {
      if (LastTick(Start, Milliseconds, Done)) return true;
      continue;
    }
    // Process what is pending now; then sleep until the next event or the last tick.
    if (slept) {
      slept = false;
      SleepForEvents(Milliseconds - elapsed - 1, Done);
    } else {
      slept = true;
      ProcessPending();
    }
    if (Done()) return true;
  }
}
