// Device > "Upload to every device": the real kestrilo-cli loads two simulators on
// pseudo-terminals; closing while it runs leaves no process behind.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "AudioFixtures.h"
#include "UploadHarness.h"
#include "main/AllDevicesDialog.h"

namespace {

// Processes whose command line names Folder: the tool, its children, their helpers.
int ProcessesNaming(const QString& Folder) {
  int n = 0;
  for (const auto& p : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(p.path() / "cmdline", std::ios::binary);
    const std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    n += args.find(Folder.toStdString()) != std::string::npos;
  }
  return n;
}

QStringList Column(QTreeWidget* T, int C) {
  QStringList out;
  for (int i = 0; i < T->topLevelItemCount(); ++i) out << T->topLevelItem(i)->text(C);
  return out;
}

// Two devices on pseudo-terminals, a window with two rows, and its dialog from the menu.
struct Bench {
  explicit Bench(bool LineRate, int Samples) {
    devsim::Options o = QuickDevice();
    o.line_rate = LineRate;
    for (auto& d : Devices) d = std::make_unique<devsim::Simulator>(o);
    qputenv("TMPDIR", Tmp.path().toUtf8());
    qputenv("KESTRILO_VERSION_WAIT_MS", "1500");  // a starved simulator still answers
    qputenv("KESTRILO_PORTS", QByteArray::fromStdString(Devices[0]->SlavePath() + ":" + Devices[1]->SlavePath()));
    for (int i = 0; i < 2; ++i) {
      Sounds[i] = QByteArray(Samples, char(0x30 + 0x40 * i));
      fixtures::WriteWav(Tmp.filePath(QStringLiteral("s%1.wav").arg(i)), Sounds[i]);
      Form.AppendSoundRow(Tmp.filePath(QStringLiteral("s%1.wav").arg(i)));
    }
    Form.LV->topLevelItem(1)->setText(TForm1::ColAddress, QStringLiteral("1999"));
    Form.RefreshList();
    Form.show();
    Form.Uploadtoeverydevice1->trigger();
    Dialog = Form.findChild<TAllDevicesDialog*>();
    Dialog->SetProgram(QStringLiteral(KESTRILO_CLI));
    Dialog->Log->setChecked(false);
  }
  ~Bench() {
    qunsetenv("KESTRILO_PORTS");
    qunsetenv("TMPDIR");
  }
  QTemporaryDir Tmp;
  std::unique_ptr<devsim::Simulator> Devices[2];
  QByteArray Sounds[2];
  TForm1 Form;
  TAllDevicesDialog* Dialog = nullptr;
  MessageCatcher Messages;
};

}  // namespace

class AllDevicesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Kestrilo"), QStringLiteral("Kestrilo")).clear();
  }

  void bothDevicesLoadTheListTheWindowShows() {
    Bench b(false, 3000);
    QVERIFY(b.Dialog && b.Dialog->isVisible());
    b.Dialog->Start->click();
    QVERIFY(b.Dialog->Running());
    QVERIFY(!b.Form.btnUpload->isEnabled() && !b.Form.Searchdevice1->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(b.Dialog->Counts->text(), QStringLiteral("2 done, 0 failed, 0 running"), 180000);
    QVERIFY(b.Dialog->Running());  // still watching for the next device
    b.Dialog->StopWatching->click();
    QTRY_VERIFY_WITH_TIMEOUT(!b.Dialog->Running(), 60000);

    QCOMPARE(Column(b.Dialog->Devices, TAllDevicesDialog::ColOutcome), QStringList({"Completed", "Completed"}));
    QCOMPARE(Column(b.Dialog->Devices, TAllDevicesDialog::ColProgress), QStringList({"100%", "100%"}));
    QCOMPARE(b.Dialog->Counts->text(), QStringLiteral("2 done, 0 failed, 0 running"));
    QCOMPARE(b.Dialog->Status->text(), QStringLiteral("Every device was loaded."));
    QStringList ports = Column(b.Dialog->Devices, TAllDevicesDialog::ColPort);
    ports.sort();
    QStringList expected{QString::fromStdString(b.Devices[0]->SlavePath()), QString::fromStdString(b.Devices[1]->SlavePath())};
    expected.sort();
    QCOMPARE(ports, expected);
    for (auto& d : b.Devices) {
      const auto sounds = d->Sounds();
      QCOMPARE(sounds.size(), size_t(2));
      for (int i = 0; i < 2; ++i)
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(sounds[i].data()), qsizetype(sounds[i].size())),
                 fixtures::NoZeros(b.Sounds[i]));
      QCOMPARE(d->Addresses().back().address, 1999u);  // the row's own address went along
    }
    QVERIFY(b.Form.btnUpload->isEnabled() && b.Form.Searchdevice1->isEnabled());
    QCOMPARE(ProcessesNaming(b.Tmp.path()), 0);
    QVERIFY(b.Messages.Texts.empty());
  }

  // Closing asks; Yes cancels both uploads, waits for the tool and then closes.
  void closingWhileLoadingCancelsAndLeavesNoProcess() {
    Bench b(true, 3 * 44100);
    b.Dialog->Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(Column(b.Dialog->Devices, TAllDevicesDialog::ColProgress).filter("%").size() == 2, 120000);
    b.Messages.OnMessage = [](QMessageBox* Box) { Box->button(QMessageBox::Yes)->click(); };
    b.Dialog->Close->click();
    QCOMPARE(b.Messages.Texts.size(), size_t(1));
    QVERIFY(b.Messages.Texts[0].startsWith(QStringLiteral("Uploads are running. Cancel them and close?")));
    QTRY_VERIFY_WITH_TIMEOUT(!b.Dialog->Running(), 60000);
    QVERIFY(!b.Dialog->isVisible());
    QCOMPARE(Column(b.Dialog->Devices, TAllDevicesDialog::ColOutcome), QStringList({"Cancelled", "Cancelled"}));
    QCOMPARE(b.Dialog->Counts->text(), QStringLiteral("0 done, 2 failed, 0 running"));
    QCOMPARE(ProcessesNaming(b.Tmp.path()), 0);
  }

  // The tool missing is said in the dialog, not swallowed; the log setting reaches the tool.
  void aRefusedRunIsShown() {
    Bench b(false, 500);
    b.Dialog->SetProgram(QString());  // looked for beside the test, where it is not
    b.Dialog->Start->click();
    QVERIFY(!b.Dialog->Running());
    QCOMPARE(b.Messages.Texts.size(), size_t(1));
    QVERIFY2(b.Messages.Texts[0].startsWith("kestrilo-cli was not found in "), qPrintable(b.Messages.Texts[0]));

    b.Dialog->SetProgram(QStringLiteral(KESTRILO_CLI));
    const QString log = b.Tmp.filePath(QStringLiteral("loads.csv"));
    b.Dialog->Watch->setChecked(false);
    b.Dialog->Log->setChecked(true);
    b.Dialog->LogFile->setText(log);
    b.Dialog->Start->click();
    QTRY_VERIFY_WITH_TIMEOUT(!b.Dialog->Running(), 180000);
    QVERIFY(QSettings(QStringLiteral("Kestrilo"), QStringLiteral("Kestrilo")).value("AllDevices/LogFile") == log);
    QFile written(log);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(written.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);  // the header and a line a device
    QVERIFY2(lines[1].contains(",Completed,") && lines[2].contains(",Completed,"), qPrintable(lines.join('\n')));
  }
};

QTEST_MAIN(AllDevicesTest)
#include "test_all_devices.moc"
