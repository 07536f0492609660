// The window notices a serial adapter being plugged in, finds the device on it without a
// click, and notices it going: on a fake machine whose device node is the simulator's pty.
#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include "devicelink_support.h"
#include "main/PlugWatch.h"
#include "main/PortsDialog.h"
#include "support/fake_sysfs.h"

#include <QTreeWidget>

class PlugWatchTest : public QObject {
  Q_OBJECT
 private slots:
  void FindsAPluggedDeviceWithoutAClickAndNoticesItGoing();
};

void PlugWatchTest::FindsAPluggedDeviceWithoutAClickAndNoticesItGoing() {
  testsys::FakeTree tree;
  std::vector<std::unique_ptr<testsys::EnvVar>> env;
  for (const auto& [name, value] : tree.Environment()) env.push_back(std::make_unique<testsys::EnvVar>(name, value));
  devsim::Simulator sim(testsupport::SimAt(115200));
  auto w = testsupport::MakeWindow();
  w->show();
  const QString port = QString::fromStdString((tree.dev / "ttyUSB0").string());

  QElapsedTimer clock;
  clock.start();
  tree.AddUsb({"1-3", "0403", "6001", "FTDI", "FT232R", "A50285BI", "ftdi_sio", "ttyUSB0"}, sim.SlavePath());
  QTRY_COMPARE_WITH_TIMEOUT(w->PanelText(2), QStringLiteral("USB serial device plugged in: FTDI FT232R (A50285BI)"),
                            20000);
  const QString found = "Vorel-30415 Sound Player found on " + port + " (4 MB / 95 sec)";
  QTRY_COMPARE_WITH_TIMEOUT(w->PanelText(2), found, 20000);
  qInfo("device found %lld ms after the plug, without a click", static_cast<long long>(clock.elapsed()));
  bool tip = false;  // the found text keeps its line; the adapter shows beside it
  for (const QLabel* l : w->StatusBar1->findChildren<QLabel*>())
    tip = tip || (l->text() == found && l->toolTip().startsWith("FTDI FT232R (A50285BI), USB 0403:6001 at 1-3"));
  QVERIFY(tip);

  TPortsDialog ports(w.get());
  QCOMPARE(ports.List->topLevelItem(0)->text(0), port);
  QCOMPARE(ports.List->topLevelItem(0)->text(3), QString());  // held by this test's window: no trap named

  tree.RemoveTty("ttyUSB0");
  QTRY_COMPARE_WITH_TIMEOUT(w->PanelText(2), "The device on " + port + " was unplugged.", 20000);
  QCOMPARE(w->Engine->Device().Status, 0);
  QVERIFY(!w->Engine->ComPort().Connected());
}

QTEST_MAIN(PlugWatchTest)
#include "plug_watch_test.moc"
