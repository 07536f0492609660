// The pump that the long waits share: events from other threads end its sleep at once.
#include <QAbstractEventDispatcher>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

#include "main/EventPump.h"
#include "platform/ticks.h"
#include "toolkit/qt_wakeup.h"
#include "toolkit/synchronize.h"

class EventPumpTest : public QObject {
  Q_OBJECT

  // Posts a call to the UI thread from another thread, as the port's hand-overs do.
  static std::thread PostLater(int Ms, std::function<void()> Call) {
    return std::thread([Ms, Call = std::move(Call)] {
      platform::Sleep(Ms);
      QMetaObject::invokeMethod(qApp, Call, Qt::QueuedConnection);
    });
  }

 private slots:
  void endsWhenAnEventFromAnotherThreadMakesItDone() {
    bool done = false;
    auto poster = PostLater(150, [&] { done = true; });
    const uint32_t start = platform::GetTickCount();
    QVERIFY(PumpEventsUntil(start, 60000, [&] { return done; }));
    QVERIFY(platform::TicksSince(start) >= 150);
    QVERIFY(platform::TicksSince(start) < 30000);
    poster.join();
  }

  void runsEveryEventOfAWaitThatIsNeverDone() {
    int calls = 0;
    std::thread poster([&] {
      for (int i = 0; i < 20; ++i) {
        platform::Sleep(10);
        QMetaObject::invokeMethod(qApp, [&] { ++calls; }, Qt::QueuedConnection);
      }
    });
    poster.join();
    const uint32_t start = platform::GetTickCount();
    QVERIFY(!PumpEventsUntil(start, 300, [] { return false; }));
    QVERIFY(platform::TicksSince(start) >= 300);
    QCOMPARE(calls, 20);
  }

  void timersRunDuringTheSleep() {
    int fired = 0;
    QTimer t;
    connect(&t, &QTimer::timeout, [&] { ++fired; });
    t.start(20);
    QVERIFY(PumpEventsUntil(platform::GetTickCount(), 60000, [&] { return fired >= 5; }));
  }

  void pumpingAfterEveryByteStillRunsHandOversAndEvents() {
    // The data loop pumps after every byte; a port's hand-over and a posted event still run.
    InstallQtWakeup();
    bool handed = false, posted = false;
    std::thread port([&] {
      platform::Sleep(50);
      Synchronize([&] { handed = true; });
    });
    auto poster = PostLater(50, [&] { posted = true; });
    const uint32_t start = platform::GetTickCount();
    while (!(handed && posted) && platform::TicksSince(start) < 30000) PumpEvents();
    QVERIFY(handed);
    QVERIFY(posted);
    port.join();
    poster.join();
  }

  void spanOverReturnsWithoutPumping() {
    bool pumped = false;
    QTimer::singleShot(0, this, [&] { pumped = true; });
    QVERIFY(!PumpEventsUntil(platform::GetTickCount(), 0, [] { return true; }));
    QVERIFY(!pumped);
    QVERIFY(!PumpEventsUntil(platform::GetTickCount() - 100, 50, [] { return true; }));
    QVERIFY(!pumped);
  }

};

QTEST_MAIN(EventPumpTest)
#include "eventpump_test.moc"
