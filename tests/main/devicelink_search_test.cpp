// The device search and the sound test against simulated devices on pseudo-terminals.
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "devicelink_support.h"
#include "engine_seam.h"

using namespace testsupport;

namespace {

const QString FoundPrefix = "Vorel-30415 Sound Player found on ";

// The simulator's record of every 'V' that reached it, at the host's speed of the moment.
int VersionProbes(const devsim::Simulator& Sim) {
  int n = 0;
  for (const auto& line : Sim.Log())
    if (line == "V" || line.rfind("ignored 0x56 at ", 0) == 0) ++n;
  return n;
}

void ExpectReset(const TDeviceInfo& D) {
  QCOMPARE(D.Status, uint8_t(0));
  QCOMPARE(D.ReplyByte1, uint8_t(0));
  QCOMPARE(D.ReplyByte2, uint8_t(0));
  QCOMPARE(D.Capacity, 0);
  QVERIFY(D.PortName.empty());
  QVERIFY(D.DeviceName.empty());
}

}  // namespace

class DeviceSearch : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(!MessageBoxShown()); }

  void foundAt57600OnTheSecondPortAfterTheProbesBefore() {
    devsim::Simulator silent(Silent(115200));
    devsim::Simulator device(SimAt(57600));
    ScopedEnv ports("KESTRILO_PORTS", Join({silent.SlavePath(), device.SlavePath()}));
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());

    QCOMPARE(silent.Log(), (std::vector<std::string>{"V", "ignored 0x56 at 57600 bit/s", "ignored 0x56 at 9600 bit/s"}));
    QCOMPARE(device.Log(), (std::vector<std::string>{"ignored 0x56 at 115200 bit/s", "V", "reply 38 20 07"}));
    QCOMPARE(w->Engine->PortList, (std::vector<std::string>{silent.SlavePath(), device.SlavePath()}));
    QVERIFY(w->Engine->ComPort().Connected());
    QCOMPARE(w->Engine->ComPort().Port(), device.SlavePath());
    QVERIFY(w->Engine->ComPort().BaudRate() == br57600);
    QCOMPARE(w->Engine->Device().Status, uint8_t(56));
    QCOMPARE(w->Engine->Device().PortName, device.SlavePath());
  }

  void foundTextShowsMemoryAndSeconds_data() {
    QTest::addColumn<unsigned>("units");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("figures");
    QTest::newRow("32") << 32u << 4194304 << "(4 MB / 95 sec)";
    QTest::newRow("0x40") << 0x40u << 8388608 << "(8 MB / 190 sec)";
    QTest::newRow("0xFF") << 0xFFu << 33423360 << "(31 MB / 757 sec)";
  }
  void foundTextShowsMemoryAndSeconds() {
    QFETCH(unsigned, units);
    QFETCH(int, capacity);
    QFETCH(QString, figures);
    auto options = SimAt(115200, units);
    options.version_byte = 0x5a;
    devsim::Simulator device(options);
    ScopedEnv ports("KESTRILO_PORTS", device.SlavePath());
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    const QString port = QString::fromStdString(device.SlavePath());
    QCOMPARE(w->PanelText(2), FoundPrefix + port + " " + figures);
    QCOMPARE(w->Engine->Device().Status, uint8_t(56));
    QCOMPARE(w->Engine->Device().ReplyByte1, uint8_t(units));
    QCOMPARE(w->Engine->Device().ReplyByte2, uint8_t(0x5a));
    QCOMPARE(w->Engine->Device().Capacity, capacity);
    QCOMPARE(w->Engine->Device().DeviceName, std::string("Vorel-30415 Sound Player"));
    QVERIFY(w->Engine->ComPort().Connected());
    QVERIFY(w->Engine->ComPort().BaudRate() == br115200);
  }

  void emptyMapProbesNothing() {
    devsim::Simulator bystander(SimAt(115200));
    ScopedEnv ports("KESTRILO_PORTS", "");
    auto w = MakeWindow();
    TEngineSeam::ComPort(*w->Engine).SetPort(bystander.SlavePath());
    TEngineSeam::Device(*w->Engine).Status = 56;
    TEngineSeam::Device(*w->Engine).Capacity = 99;
    TEngineSeam::Device(*w->Engine).PortName = "old";
    TEngineSeam::Device(*w->Engine).DeviceName = "old";
    w->Engine->PortList.push_back("stale");
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->PanelText(2), QString("Searching device..."));
    ExpectReset(w->Engine->Device());
    QVERIFY(w->Engine->PortList.empty());
    QVERIFY(!w->Engine->ComPort().Connected());
    QCOMPARE(w->Engine->ComPort().Port(), bystander.SlavePath());  // unchanged, never opened
    QVERIFY(bystander.Log().empty());
  }

  void garbageAnswerIsNoDevice() {
    auto options = SimAt(115200);
    options.garbage = true;
    devsim::Simulator garbage(options);
    ScopedEnv ports("KESTRILO_PORTS", garbage.SlavePath());
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    ExpectReset(w->Engine->Device());
    QCOMPARE(w->PanelText(2), QString("No device found"));
    QCOMPARE(VersionProbes(garbage), 3);
    // Probing in vain lets go of the last entry, left at the last speed.
    QVERIFY(!w->Engine->ComPort().Connected());
    QVERIFY(w->Engine->ComPort().BaudRate() == br9600);
  }

  // A '8' left in the buffer from before must not make a silent port look like the device.
  void staleEightDoesNotFindADevice() {
    devsim::Simulator silent(Silent());
    ScopedEnv ports("KESTRILO_PORTS", silent.SlavePath());
    auto w = MakeWindow();
    TEngineSeam::RxBuffer(*w->Engine) = "#8\x20\x07";
    w->Searchdevice1Click(w.get());
    ExpectReset(w->Engine->Device());
  }

  void portsThatDoNotOpenAreSkippedSilently() {
    devsim::Simulator device(SimAt(9600));
    ScopedEnv ports("KESTRILO_PORTS", Join({"/nonexistent/ttyX", device.SlavePath()}));
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->Engine->Device().Status, uint8_t(56));
    QVERIFY(w->Engine->ComPort().BaudRate() == br9600);
    QVERIFY(!MessageBoxShown());
  }

  void noNestedCommandsWhileSearching() {
    devsim::Simulator silent(Silent());
    ScopedEnv ports("KESTRILO_PORTS", silent.SlavePath());
    auto w = MakeWindow();
    QAction* item = SoundItem(*w, 1);
    bool ran = false;
    QTimer::singleShot(200, w.get(), [&] {
      QVERIFY(w->SearchRunning);
      w->Searchdevice1Click(w.get());
      w->Sound41Click(item);
      ran = true;
    });
    w->Searchdevice1Click(w.get());
    QVERIFY(ran);
    QVERIFY(!w->SearchRunning);
    QVERIFY(silent.WaitIdle(10s));
    QCOMPARE(silent.BytesReceived(), uint64_t(3));  // three probes, nothing else
    QCOMPARE(w->Engine->PortList.size(), size_t(1));
  }

  void soundTestSearchesFirstWhenNoCandidates() {
    devsim::Simulator device(SimAt(57600));
    ScopedEnv ports("KESTRILO_PORTS", device.SlavePath());
    auto w = MakeWindow();
    w->Sound41Click(SoundItem(*w, 3));
    QVERIFY(device.WaitForLogLine("play 3", 10s));
    QCOMPARE(device.Plays(), std::vector<int>{3});
    QCOMPARE(w->PanelText(2), FoundPrefix + QString::fromStdString(device.SlavePath()) + " (4 MB / 95 sec)");
    QVERIFY(!w->Engine->ComPort().Connected());
    QVERIFY(w->Engine->ComPort().BaudRate() == br57600);

    // Candidates known: no second search, the byte goes straight out.
    w->Sound41Click(SoundItem(*w, 4));
    QVERIFY(device.WaitForLogLine("play 4", 10s));
    QCOMPARE(VersionProbes(device), 2);
    QVERIFY(!w->Engine->ComPort().Connected());
  }

  // The last port probed may belong to anything: the sound test never writes into it.
  void soundTestAfterAFailedSearchSendsNothing() {
    devsim::Simulator silent(Silent());
    RawPty last;
    ScopedEnv ports("KESTRILO_PORTS", Join({silent.SlavePath(), last.Path()}));
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->Engine->Device().Status, uint8_t(0));
    QTRY_COMPARE_WITH_TIMEOUT(last.Received(), std::string("VVV"), 10000);
    QVERIFY(!w->Engine->ComPort().Connected());  // the failed search let go of the port
    last.Forget();
    w->Sound41Click(SoundItem(*w, 2));  // searches again, finds nothing, sends nothing
    QTRY_COMPARE_WITH_TIMEOUT(last.Received(), std::string("VVV"), 10000);
    QCOMPARE(w->PanelText(2), QString("No device found"));
    QVERIFY(!w->Engine->ComPort().Connected());
    QCOMPARE(silent.Plays(), std::vector<int>{});
  }

  // Replugged under the same name while the port stays open: the sound test and the search find it again.
  void replugUnderTheSameNameIsFoundAgain() {
    QTemporaryDir dir;
    devsim::Options o = SimAt(115200);
    o.link_path = dir.filePath("ttyKestrilo").toStdString();
    auto device = std::make_unique<devsim::Simulator>(o);
    ScopedEnv ports("KESTRILO_PORTS", o.link_path);
    auto w = MakeWindow();
    w->Engine->SetTimeouts({.VersionWaitMs = 2000});  // on a loaded machine the reply may pass 500 ms
    const QString found = FoundPrefix + QString::fromStdString(o.link_path) + " (4 MB / 95 sec)";
    for (const bool soundTest : {true, false}) {
      w->Searchdevice1Click(w.get());
      QCOMPARE(w->PanelText(2), found);
      QVERIFY(w->Engine->ComPort().Connected());
      device.reset();
      device = std::make_unique<devsim::Simulator>(o);
      if (soundTest) {
        w->Sound41Click(SoundItem(*w, 1));
        QVERIFY(device->WaitForLogLine("play 1", 10s));
      } else {
        w->Searchdevice1Click(w.get());
        QCOMPARE(device->Log(), (std::vector<std::string>{"V", "reply 38 20 07"}));
      }
      QCOMPARE(w->PanelText(2), found);
    }
  }

  void soundTestOnAPortThatDoesNotOpenDoesNothing() {
    ScopedEnv ports("KESTRILO_PORTS", "/nonexistent/ttyX");
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->Engine->PortList.size(), size_t(1));
    QVERIFY(!w->Engine->ComPort().Connected());
    w->Sound41Click(SoundItem(*w, 1));
    QVERIFY(!w->Engine->ComPort().Connected());
  }
};

QTEST_MAIN(DeviceSearch)
#include "devicelink_search_test.moc"
