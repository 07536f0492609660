// Without a port map the search tries the names COM1..COM255, here in a folder of the test's own.
#include <QtTest>

#include <filesystem>

#include "devicelink_support.h"

using namespace testsupport;
namespace fs = std::filesystem;

class DeviceScan : public QObject {
  Q_OBJECT

  fs::path devDir;

 private slots:
  void init() {
    char tmpl[] = "/tmp/kestrilo-devdir-XXXXXX";
    QVERIFY(mkdtemp(tmpl));
    devDir = tmpl;
  }
  void cleanup() { fs::remove_all(devDir); }

  void scannedPortsAreTheCandidates() {
    devsim::Simulator silent(Silent());
    devsim::Simulator device(SimAt(57600));
    fs::create_symlink(silent.SlavePath(), devDir / "ttyS2");   // COM3
    fs::create_symlink(device.SlavePath(), devDir / "ttyS11");  // COM12
    ScopedEnv ports("KESTRILO_PORTS", std::nullopt);
    ScopedEnv tty("KESTRILO_SYSFS_TTY", (devDir / "no-sysfs").string());
    ScopedEnv dev("KESTRILO_DEV_DIR", devDir.string());
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->Engine->PortList, std::vector<std::string>({"COM3", "COM12"}));
    QCOMPARE(w->PanelText(2), QString("Vorel-30415 Sound Player found on COM12 (4 MB / 95 sec)"));
    QCOMPARE(w->Engine->Device().PortName, std::string("COM12"));
    QVERIFY(w->Engine->ComPort().Connected());
    QVERIFY(w->Engine->ComPort().BaudRate() == br57600);
    QVERIFY(!MessageBoxShown());
  }

  void nothingOpensLeavesTheSearchText() {
    ScopedEnv ports("KESTRILO_PORTS", std::nullopt);
    ScopedEnv tty("KESTRILO_SYSFS_TTY", (devDir / "no-sysfs").string());
    ScopedEnv dev("KESTRILO_DEV_DIR", devDir.string());
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QVERIFY(w->Engine->PortList.empty());
    QCOMPARE(w->PanelText(2), QString("Searching device..."));
    QCOMPARE(w->Engine->ComPort().Port(), std::string("COM255"));
    QVERIFY(!w->Engine->ComPort().Connected());
    QCOMPARE(w->Engine->Device().Status, uint8_t(0));
    QVERIFY(!MessageBoxShown());
  }
};

QTEST_MAIN(DeviceScan)
#include "devicelink_scan_test.moc"
