// The Qt adapter: queued hand-overs run from Qt's own event processing.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <thread>

#include "toolkit/notification_window.h"
#include "toolkit/qt_wakeup.h"
#include "toolkit/synchronize.h"

class QtWakeupTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    InstallQtWakeup();
    InstallQtWakeup();  // idempotent
  }

  void processEventsRunsQueuedCalls() {
    std::atomic<bool> done{false};
    bool onUiThread = false;
    std::thread worker([&] {
      Synchronize([&] { onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread(); });
      done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);  // QTRY pumps with processEvents
    worker.join();
    QVERIFY(onUiThread);
  }

  void nestedEventLoopRunsQueuedCalls() {
    // A modal dialog runs its own loop; a plain QEventLoop stands in for it.
    QEventLoop loop;
    std::atomic<int> served{0};
    std::thread worker([&] {
      Synchronize([&] { ++served; });
      Synchronize([&] {
        ++served;
        loop.quit();
      });
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    worker.join();
    QCOMPARE(served.load(), 2);
  }

  void idleMainLoopRunsQueuedCalls() {
    std::atomic<bool> served{false};
    std::thread worker;
    // Started from within the loop, so the call is queued to a loop that is already waiting.
    QTimer::singleShot(0, [&] {
      worker = std::thread([&] {
        Synchronize([&] {
          served = true;
          QCoreApplication::exit(0);
        });
      });
    });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    if (worker.joinable()) worker.join();
    QVERIFY(served.load());
  }

  void sentMessagesAreReceived() {
    std::atomic<int> received{0};
    TNotificationWindow w([&](TMessage& m) {
      ++received;
      m.Result = static_cast<intptr_t>(m.WParam) * 2;
    });
    std::atomic<intptr_t> result{0};
    std::thread sender([&] { result = w.SendMessage(WM_USER + 1, 21, 0); });
    QTRY_COMPARE_WITH_TIMEOUT(result.load(), intptr_t{42}, 10000);
    sender.join();
    QCOMPARE(received.load(), 1);
  }
};

QTEST_GUILESS_MAIN(QtWakeupTest)
#include "qt_wakeup_test.moc"
