#include "main/EventPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <thread>

#include "platform/ticks.h"

void PumpEvents() { QCoreApplication::processEvents(); }

namespace {

// Blocks until at least one event has been processed or about Milliseconds have passed.
// Some dispatchers deliver the events that woke them only on their next round, and then
// block again; the check before blocking makes such a round return when Done() has become
// true meanwhile, instead of sleeping on to the deadline.
void SleepForEvents(uint32_t Milliseconds, const std::function<bool()>& Done) {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher) {
    PumpEvents();
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
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QObject::disconnect(guard);
}

}  // namespace

bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) {
  bool slept = false;
  for (;;) {
    const uint32_t elapsed = platform::TicksSince(Start);
    if (elapsed >= Milliseconds) return false;
    // In the last tick a millisecond timer would overshoot the tick boundary by up to a
    // whole tick (the data stream's 1 ms pauses would take 1.5 ms); poll in short naps there.
    if (Milliseconds - elapsed == 1) {
      PumpEvents();
      if (Done()) return true;
      std::this_thread::sleep_for(std::chrono::microseconds(250));
      continue;
    }
    // Process what is pending now; then sleep until the next event or the deadline.
    if (slept) {
      slept = false;
      SleepForEvents(Milliseconds - elapsed, Done);
    } else {
      slept = true;
      PumpEvents();
    }
    if (Done()) return true;
  }
}
