// What the window checks before an upload and shows during it: missing sounds and memory
// refused before the erase, shared addresses asked about, the title's time left, the row in view.
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <chrono>

#include "AudioFixtures.h"
#include "sound_list_fixture.h"  // before the harness, which needs QTreeWidget
#include "UploadHarness.h"

using namespace std::chrono_literals;

namespace {

bool Erased(const devsim::Simulator& Sim) {
  const auto Log = Sim.Log();
  return std::find(Log.begin(), Log.end(), "C") != Log.end();
}

}  // namespace

class UploadWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void refusalsComeBeforeTheErase() {
    devsim::Options Small = QuickDevice();
    Small.capacity_units = 1;  // 130944 bytes usable: 3.0 s
    UploadHarness H(Small);
    QTemporaryDir Dir;
    fixtures::MakeTone(Dir.filePath("two.wav"), 2.0);
    QTemporaryDir Bin;  // ffmpeg without ffprobe
    QVERIFY(QFile::link(QStandardPaths::findExecutable("ffmpeg"), Bin.filePath("ffmpeg")));
    const QByteArray Path = qgetenv("PATH");
    const auto PathAgain = qScopeGuard([&Path] { qputenv("PATH", Path); });
    qputenv("PATH", Bin.path().toLocal8Bit());
    const QString Two = Dir.filePath("two.wav");
    H.Form->AddSoundPaths({Two, Dir.filePath("gone.wav"), Two});
    H.Upload();
    QCOMPARE(H.Messages.Texts,
             std::vector<QString>{"Sound files missing, nothing was sent to the device:\n" + Dir.filePath("gone.wav")});
    QVERIFY(H.Sim.Log().empty());  // not even searched
    QCOMPARE(Column(*H.Form, TForm1::ColState), QStringList({"Idle", "Missing", "Idle"}));

    // No length is known (no ffprobe): the numbers are what the check added up.
    delete H.Form->LV->topLevelItem(1);
    H.Upload();
    QCOMPARE(H.Messages.Texts.back(),
             QStringLiteral("The files total length larger than device memory!\n"
                            "The sounds need 4.0 s (0.2 MB); the device holds 3.0 s (0.1 MB)."));
    QVERIFY(H.Sim.WaitIdle(30s) && !Erased(H.Sim));
  }

  void sharedAddressIsAskedOnce() {
    UploadHarness H(QuickDevice());
    QTemporaryDir Dir;
    fixtures::MakeTone(Dir.filePath("a.wav"), 0.05);
    H.AddRow(Dir.filePath("a.wav"), "5");
    H.AddRow(Dir.filePath("a.wav"), "5");
    for (auto Answer : {QMessageBox::No, QMessageBox::Yes}) {
      H.Messages.OnMessage = [Answer](QMessageBox* Box) { Box->button(Answer)->click(); };
      H.Upload();
      QVERIFY(H.Sim.WaitIdle(30s));
      QCOMPARE(Erased(H.Sim), Answer == QMessageBox::Yes);
    }
    const QString Asked = "More than one row has the digital address 5; the device cannot tell them apart.";
    QCOMPARE(H.Messages.Texts, std::vector<QString>(2, Asked));
    QCOMPARE(H.Sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 5}, {2, 5}}));
  }

  void titleShowsTheTimeLeftAndTheRowSentStaysInView() {
    devsim::Options Paced = QuickDevice();
    Paced.line_rate = true;  // 11520 bytes/s: 1.5 s of sound takes about 6 s
    UploadHarness H(Paced);
    QTemporaryDir Dir;
    fixtures::MakeTone(Dir.filePath("short.wav"), 0.02);
    fixtures::MakeTone(Dir.filePath("long.wav"), 1.5);
    for (int i = 0; i < 20; ++i) H.AddRow(Dir.filePath("short.wav"));
    H.AddRow(Dir.filePath("long.wav"));
    H.Form->show();
    QTreeWidgetItem* Last = H.Form->LV->topLevelItem(20);
    auto InView = [&] { return H.Form->LV->viewport()->rect().contains(H.Form->LV->visualItemRect(Last)); };
    QVERIFY(!InView());
    QStringList Titles;
    connect(H.Form.get(), &QWidget::windowTitleChanged, [&Titles](const QString& T) { Titles << T; });
    H.Upload();
    QCOMPARE(H.Error, QString());
    QCOMPARE(H.Form->windowTitle(), QStringLiteral("Kestrilo"));
    QVERIFY(InView());
    QCOMPARE(Titles.takeLast(), QStringLiteral("Kestrilo"));
    QCOMPARE(Titles.last(), QStringLiteral("Kestrilo - 100% - 0:00 left"));
    const QRegularExpression Form(QStringLiteral("^Kestrilo - (\\d+)%( - \\d+:[0-5]\\d left)?$"));
    int Before = 0;
    bool MidwayWithTimeLeft = false;
    for (const QString& T : Titles) {
      const auto M = Form.match(T);
      QVERIFY2(M.hasMatch() && M.captured(1).toInt() >= Before, qPrintable(T));
      Before = M.captured(1).toInt();
      MidwayWithTimeLeft |= Before > 0 && Before < 100 && M.hasCaptured(2);
    }
    QVERIFY2(MidwayWithTimeLeft, qPrintable(Titles.join(u'\n')));
  }
};

QTEST_MAIN(UploadWindowTest)
#include "test_upload_window.moc"
