// The protocol's waits, with replies fed through a real pseudo-terminal and the real port.
#include <QTimer>
#include <QtTest>
#include <sys/file.h>

#include <limits>

#include "devicelink_support.h"
#include "engine_seam.h"
#include "platform/ticks.h"

using namespace testsupport;

class DeviceLinkWaits : public QObject {
  Q_OBJECT

  std::unique_ptr<TForm1> w;
  std::unique_ptr<RawPty> pty;
  uint32_t offset_ = 0;  // the tick counter's shift

  // Long enough for fed bytes to come through on a loaded machine; EndWaitWhen cuts it short.
  static constexpr uint32_t kWait = 30000;

  // Writes Bytes into the line After ms into the wait that follows.
  void FeedLater(int After, const std::string& Bytes) {
    QTimer::singleShot(After, w.get(), [p = pty.get(), Bytes] { p->Send(Bytes); });
  }
  void ShiftTicks(uint32_t Offset) {
    offset_ = Offset;
    platform::SetTickCountOffset(Offset);
  }
  // Moves the tick counter on by Wait a round after Arrived() holds, so that the wait that
  // follows ends once the fed bytes are in (and had the chance to end early wrongly).
  void EndWaitWhen(uint32_t Wait, std::function<bool()> Arrived) {
    auto* poll = new QTimer(w.get());
    connect(poll, &QTimer::timeout, poll, [this, poll, Wait, Arrived, seen = false]() mutable {
      if (!seen) {
        seen = Arrived();
        return;
      }
      poll->stop();
      ShiftTicks(offset_ + Wait);
    });
    poll->start(20);
  }
  // Lets everything already sent reach RxBuffer.
  void Settle(const std::string& Expected) {
    QTRY_COMPARE_WITH_TIMEOUT(w->Engine->RxBuffer(), Expected, 10000);
  }

 private slots:
  void init() {
    w = MakeWindow();
    pty = std::make_unique<RawPty>();
    TEngineSeam::ComPort(*w->Engine).SetPort(pty->Path());
    TEngineSeam::ComPort(*w->Engine).Open();
  }
  void cleanup() {
    w.reset();
    pty.reset();
    ShiftTicks(0);
  }

  void freshWindowHoldsOnlyTheHashAndNoDevice() {
    auto fresh = MakeWindow();
    QCOMPARE(fresh->Engine->RxBuffer(), std::string("#"));
    QVERIFY(fresh->Engine->PortList.empty());
    QCOMPARE(fresh->Engine->Device().Status, uint8_t(0));
    QVERIFY(!fresh->Engine->ComPort().Connected());
  }

  void destroyingTheWindowClosesAnOpenPort() {
    QVERIFY(w->Engine->ComPort().Connected());
    const auto lockable = [this] {
      const int fd = ::open(pty->Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      const bool ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
      if (fd >= 0) ::close(fd);
      return ok;
    };
    QVERIFY(!lockable());  // held by the open port
    w.reset();
    QVERIFY(lockable());
  }

  void receivedBytesAreAppendedWhole() {
    pty->Send(std::string("A\0\xff" "B", 4));
    QVERIFY(w->WaitForByte(10000, 'B'));
    QCOMPARE(w->Engine->RxBuffer(), std::string("#A\0\xff" "B", 5));
  }

  void versionReplyCompletedDuringTheWait() {
    TEngineSeam::RxBuffer(*w->Engine) = "#8";
    FeedLater(100, "\x20\x07");
    EndWaitWhen(kWait, [this] { return w->Engine->RxBuffer().size() == 4; });
    TDeviceInfo info;
    info.Status = 99;
    info.Capacity = 1234;
    info.PortName = "kept";
    const uint32_t start = platform::GetTickCount();
    w->WaitVersionReply(kWait, info);
    QVERIFY(platform::TicksSince(start) >= kWait);  // no early exit after the reply
    QCOMPARE(info.Status, uint8_t(56));
    QCOMPARE(info.ReplyByte1, uint8_t(32));
    QCOMPARE(info.ReplyByte2, uint8_t(7));
    QCOMPARE(info.Capacity, 1234);  // not the wait's business
    QCOMPARE(info.PortName, std::string("kept"));
  }

  void versionReplyOneByteShort() {
    TEngineSeam::RxBuffer(*w->Engine) = "#8";
    FeedLater(50, "\x20");
    EndWaitWhen(kWait, [this] { return w->Engine->RxBuffer().size() == 3; });
    TDeviceInfo info;
    info.Status = 56;
    info.ReplyByte1 = 9;
    w->WaitVersionReply(kWait, info);
    QCOMPARE(info.Status, uint8_t(0));
    QCOMPARE(info.ReplyByte1, uint8_t(0));
    QCOMPARE(info.ReplyByte2, uint8_t(0));
    QCOMPARE(w->Engine->RxBuffer(), std::string("#8\x20"));
  }

  void versionReplyFirstEightCounts() {
    TEngineSeam::RxBuffer(*w->Engine) = "#";
    FeedLater(0, "x8AB8CD");
    EndWaitWhen(kWait, [this] { return w->Engine->RxBuffer().size() == 8; });
    TDeviceInfo info;
    w->WaitVersionReply(kWait, info);
    QCOMPARE(w->Engine->RxBuffer(), std::string("#x8AB8CD"));
    QCOMPARE(info.Status, uint8_t(56));
    QCOMPARE(info.ReplyByte1, uint8_t('A'));
    QCOMPARE(info.ReplyByte2, uint8_t('B'));
  }

  void versionWaitOfZeroSeesNothing() {
    TEngineSeam::RxBuffer(*w->Engine) = "#8AB";
    TDeviceInfo info;
    info.Status = 56;
    w->WaitVersionReply(0, info);
    QCOMPARE(info.Status, uint8_t(0));
  }

  void zeroWaitsReturnWithoutPumping() {
    bool pumped = false;
    QTimer::singleShot(0, w.get(), [&] { pumped = true; });
    TEngineSeam::RxBuffer(*w->Engine) = "#+";
    QVERIFY(!w->WaitForByte(0, '+'));
    w->WaitTicks(0);
    QVERIFY(!pumped);
    QTRY_VERIFY(pumped);
  }

  void byteAlreadyPresentIsFoundAfterOnePump() {
    bool pumped = false;
    QTimer::singleShot(0, w.get(), [&] { pumped = true; });
    TEngineSeam::RxBuffer(*w->Engine) = "#+";
    const uint32_t start = platform::GetTickCount();
    QVERIFY(w->WaitForByte(60000, '+'));
    QVERIFY(pumped);
    QVERIFY(platform::TicksSince(start) < 30000);
  }

  void byteWaitEndsWhenTheByteArrives() {
    TEngineSeam::RxBuffer(*w->Engine).clear();
    const uint32_t start = platform::GetTickCount();  // before the feed's timer starts
    FeedLater(150, "ab+");
    QVERIFY(w->WaitForByte(60000, '+'));
    QVERIFY(platform::TicksSince(start) >= 150);
    QVERIFY(platform::TicksSince(start) < 30000);
    QCOMPARE(w->Engine->RxBuffer(), std::string("ab+"));
  }

  void byteWaitTimesOutAfterItsTime() {
    TEngineSeam::RxBuffer(*w->Engine).clear();
    FeedLater(50, "x");
    EndWaitWhen(kWait, [this] { return !w->Engine->RxBuffer().empty(); });
    const uint32_t start = platform::GetTickCount();
    QVERIFY(!w->WaitForByte(kWait, 0x10));
    QVERIFY(platform::TicksSince(start) >= kWait);
    QCOMPARE(w->Engine->RxBuffer(), std::string("x"));
  }

  void waitTicksPumpsForItsTime() {
    TEngineSeam::RxBuffer(*w->Engine) = "#";
    FeedLater(100, "z");
    EndWaitWhen(kWait, [this] { return w->Engine->RxBuffer().size() == 2; });
    const uint32_t start = platform::GetTickCount();
    w->WaitTicks(kWait);
    QVERIFY(platform::TicksSince(start) >= kWait);
    QCOMPARE(w->Engine->RxBuffer(), std::string("#z"));
  }

  // Every wait lasts its time also when the counter wraps in the middle of it.
  void waitsAcrossTheWrap_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("WaitTicks") << 0;
    QTest::newRow("WaitVersionReply") << 1;
    QTest::newRow("WaitForByte timeout") << 2;
    QTest::newRow("WaitForByte found") << 3;
  }
  void waitsAcrossTheWrap() {
    QFETCH(int, kind);
    ShiftTicks(0);
    ShiftTicks(std::numeric_limits<uint32_t>::max() - 100 - platform::GetTickCount());
    TEngineSeam::RxBuffer(*w->Engine) = "#8";
    const uint32_t start = platform::GetTickCount();
    QVERIFY(start > std::numeric_limits<uint32_t>::max() - 200);
    switch (kind) {
      case 0:
        w->WaitTicks(300);
        QVERIFY(platform::TicksSince(start) >= 300);
        break;
      case 1: {
        FeedLater(200, "\x40\x01");  // after the wrap
        EndWaitWhen(kWait, [this] { return w->Engine->RxBuffer().size() == 4; });
        TDeviceInfo info;
        w->WaitVersionReply(kWait, info);
        QVERIFY(platform::TicksSince(start) >= kWait);
        QCOMPARE(info.Status, uint8_t(56));
        QCOMPARE(info.ReplyByte1, uint8_t(0x40));
        break;
      }
      case 2:
        QVERIFY(!w->WaitForByte(300, '+'));
        QVERIFY(platform::TicksSince(start) >= 300);
        break;
      case 3:
        FeedLater(200, "+");
        QVERIFY(w->WaitForByte(60000, '+'));
        QVERIFY(platform::TicksSince(start) >= 200);
        QVERIFY(platform::TicksSince(start) < 30000);
        break;
    }
    QVERIFY(platform::GetTickCount() < start);  // the counter did wrap
  }
};

QTEST_MAIN(DeviceLinkWaits)
#include "devicelink_waits_test.moc"
