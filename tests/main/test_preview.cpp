// The preview plays the prepared samples, never the port; options live in the list file;
// the address table names every input.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

#include "AudioFixtures.h"
#include "lists/SoundListFile.h"
#include "main/PreviewPlayer.h"
#include "sound/Prepare.h"
#include "sound_list_fixture.h"

namespace {

// Keeps what it was given; plays until stopped.
class TRecordingSink : public TAudioSink {
 public:
  QByteArray* Given;
  explicit TRecordingSink(QByteArray* Out) : Given(Out) {}
  void Start(const QByteArray& Samples) override { *Given = Samples, active_ = true; }
  void Stop() override { active_ = false; }
  bool Active() const override { return active_; }

 private:
  bool active_ = false;
};

sound::TSoundOptions Trimmed() {
  sound::TSoundOptions o;
  o.Trim = true;
  o.Loudness = sound::TLoudness::Peak;
  return o;
}

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString tone_;

 private slots:
  void initTestCase() {
    tone_ = dir_.filePath("tone.wav");
    fixtures::MakeTone(tone_, 0.5);
  }

  void SpacePlaysThePreparedSamplesAndStopsAgain() {
    TForm1 form;
    form.AppendSoundRow(tone_);
    form.RefreshList();
    form.SetRowOptions(0, Trimmed());
    QByteArray given;
    form.Preview->SetSink(std::make_unique<TRecordingSink>(&given));
    form.LV->setCurrentItem(form.LV->topLevelItem(0));
    QTest::keyClick(form.LV, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!given.isEmpty(), 60000);
    QVERIFY(form.PanelText(1).startsWith("Playing tone.wav"));

    const std::string expected = dir_.filePath("expected.u8").toStdString();
    std::atomic<bool> stop{false};
    sound::PrepareSound({tone_.toStdString(), Trimmed(), protocol::LargestCapacity, expected}, nullptr, stop);
    QCOMPARE(given, fixtures::ReadAll(QString::fromStdString(expected)));
    QVERIFY(!form.Engine->ComPort->Connected());

    QTest::keyClick(form.LV, Qt::Key_Space);
    QVERIFY(!form.Preview->Busy());
    QCOMPARE(form.PanelText(1), QString());
  }

  void OptionsSurviveTheListFileAndTheTableNamesEveryInput() {
    const QString list = dir_.filePath("opts.kestrilo");
    {
      TForm1 form;
      form.AppendSoundRow(tone_);
      form.AppendSoundRow(tone_);
      form.RefreshList();
      QVERIFY(form.SaveListFile(list));
      QVERIFY(fixtures::ReadAll(list).contains("\"version\": 1"));  // no options: readable by any Kestrilo
      form.ListOptions.Dither = sound::TDither::Triangular;
      form.SetRowOptions(1, Trimmed());
      QVERIFY(form.ListModified());
      QVERIFY(form.SaveListFile(list));
      form.ExportAddressTable(dir_.filePath("table.csv"));
    }
    TForm1 form;
    form.OpenListFile(list);
    QCOMPARE(form.ListOptions.Dither, sound::TDither::Triangular);
    QVERIFY(!form.RowOptions(0));
    QVERIFY(form.RowOptions(1) == Trimmed());
    QVERIFY(!form.ListModified());
    const QList<QByteArray> lines = fixtures::ReadAll(dir_.filePath("table.csv")).split('\n');
    QCOMPARE(lines[0], QByteArray("input,digital address,file,prepared seconds,options\r"));
    QCOMPARE(lines[1], ("1,1," + tone_ + ",0.500,loudness=off trim=off dither=triangular\r").toUtf8());
    const QList<QByteArray> own = lines[2].split(',');
    QCOMPARE(own[2], tone_.toUtf8());
    QVERIFY2(std::abs(own[3].toDouble() - 0.5) < 0.01, own[3].constData());
    QCOMPARE(own[4], QByteArray("loudness=peak target=-1.0 trim=-50.0 dither=off\r"));
  }
};

QTEST_MAIN(PreviewTest)
#include "test_preview.moc"
