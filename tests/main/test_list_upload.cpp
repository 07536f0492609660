// As a new user would: three sounds with changed addresses saved as a list, the window
// closed, a new one started with the list, the upload; the device gets the sounds
// byte-exact with those addresses.
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "AudioFixtures.h"
#include "UploadHarness.h"
#include "main/frmMain.h"

using namespace std::chrono_literals;

class ListUploadTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  }

  void savedListUploadsWithItsAddresses() {
    QTemporaryDir Dir;
    const QStringList Files = {Dir.filePath("horn.wav"), Dir.filePath("bell.mp3"), Dir.filePath("horn 2.wav")};
    fixtures::MakeTone(Files[0], 0.12, 440);
    fixtures::MakeTone(Files[1], 0.08, 880);
    fixtures::MakeTone(Files[2], 0.05, 300);
    const QString List = Dir.filePath("horns.kestrilo");
    {
      TForm1 Builder;
      Builder.AddSoundPaths(Files);
      const char* Addresses[] = {"7", "2040", "300"};
      for (int i = 0; i < 3; ++i) Builder.LV->topLevelItem(i)->setText(TForm1::ColAddress, QLatin1String(Addresses[i]));
      QVERIFY(Builder.SaveListFile(List));
      QVERIFY(Builder.close());
    }
    UploadHarness H(QuickDevice());
    H.Form->OpenStartArguments({List});
    QCOMPARE(H.Form->windowTitle(), QStringLiteral("horns.kestrilo - Kestrilo"));
    H.Upload();
    QCOMPARE(H.Error, QString());
    QCOMPARE(H.Messages.Texts, std::vector<QString>{});
    QVERIFY(H.Sim.WaitIdle(30s));
    const auto Sounds = H.Sim.Sounds();
    QCOMPARE(Sounds.size(), size_t(3));
    for (int i = 0; i < 3; ++i) {
      const QByteArray Expected = fixtures::NoZeros(fixtures::RawSamples(Files[i]));
      QVERIFY2(Sounds[i] == std::vector<uint8_t>(Expected.begin(), Expected.end()), qPrintable(Files[i]));
    }
    QCOMPARE(H.Sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 7}, {2, 2040}, {3, 300}}));
    QVERIFY(!H.Form->ListModified());  // the upload's states are not changes of the list
  }
};

QTEST_MAIN(ListUploadTest)
#include "test_list_upload.moc"
