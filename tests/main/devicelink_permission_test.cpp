// A candidate port that cannot be opened for lack of permission is named in the status bar.
// Root opens everything, so as root the test first becomes the unprivileged user "nobody".
#include <QtTest>
#include <grp.h>
#include <sys/stat.h>

#include <fstream>

#include "devicelink_support.h"

using namespace testsupport;

namespace {

bool DropRoot() {
  if (geteuid() != 0) return true;
  return setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0 && geteuid() == 65534;
}

// A node that exists but that this user may not open.
class LockedNode {
 public:
  LockedNode() {
    char tmpl[] = "/tmp/kestrilo-locked-XXXXXX";
    if (mkdtemp(tmpl)) dir_ = tmpl;
    path_ = dir_ + "/ttyLOCKED0";
    std::ofstream(path_).put('x');
    chmod(path_.c_str(), 0);
  }
  ~LockedNode() {
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  const std::string& Path() const { return path_; }

 private:
  std::string dir_, path_;
};

}  // namespace

class DevicePermission : public QObject {
  Q_OBJECT

 private slots:
  void refusedPortIsNamedWhenNoDeviceAnswered() {
    LockedNode locked;
    devsim::Simulator silent(Silent());
    ScopedEnv ports("KESTRILO_PORTS", Join({silent.SlavePath(), locked.Path()}));
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->PanelText(2),
             QString::fromStdString("No permission to open " + locked.Path() + ": add your user to the dialout group and log in again"));
    QCOMPARE(w->Engine->Device().Status, uint8_t(0));
    QVERIFY(!w->Engine->ComPort().Connected());  // the last open failed
    QVERIFY(!MessageBoxShown());
  }

  void aDeviceFoundElsewhereWins() {
    LockedNode locked;
    devsim::Simulator device(SimAt(115200));
    ScopedEnv ports("KESTRILO_PORTS", Join({locked.Path(), device.SlavePath()}));
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->PanelText(2), QString::fromStdString("Vorel-30415 Sound Player found on " + device.SlavePath() +
                                                     " (4 MB / 95 sec)"));
  }

  void aMissingPortIsNoPermissionProblem() {
    ScopedEnv ports("KESTRILO_PORTS", "/nonexistent/ttyACM0");
    auto w = MakeWindow();
    w->Searchdevice1Click(w.get());
    QCOMPARE(w->PanelText(2), QString("No device found"));
  }
};

int main(int argc, char** argv) {
  // Before Qt starts, so that every file it and the test make belong to the same user.
  if (!DropRoot()) {
    fprintf(stderr, "cannot leave root; skipping the permission test\n");
    return 0;
  }
  QApplication app(argc, argv);
  DevicePermission test;
  return QTest::qExec(&test, argc, argv);
}
#include "devicelink_permission_test.moc"
