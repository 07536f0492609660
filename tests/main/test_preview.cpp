// The preview plays the prepared samples, never the port; options live in the list file;
// the address table names every input.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

#include "AudioFixtures.h"
#include "lists/SoundListFile.h"
#include "main/MemoryGauge.h"
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

// Tone seconds of 440 Hz between two seconds of silence on each side.
bool MakePadded(const QString& Path, int Tone) {
  const QString e = QStringLiteral("aevalsrc=if(between(t\\,2\\,%1)\\,0.5*sin(2*PI*440*t)\\,0):s=48000:d=%2");
  return fixtures::Ffmpeg({"-y", "-f", "lavfi", "-i", e.arg(2 + Tone).arg(4 + Tone), Path}) == 0;
}

double Shown(const TForm1& Form, int Row) { return Form.LV->topLevelItem(Row)->text(TForm1::ColLength).toDouble(); }

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
    QVERIFY(!form.Engine->ComPort().Connected());

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

  // The Options column: the list's defaults marked, a row's own plain, nothing when all is off.
  void TheOptionsColumnTellsOwnOptionsFromTheList() {
    TForm1 form;
    for (int i = 0; i < 3; ++i) form.AppendSoundRow(tone_);
    form.RefreshList();
    form.UpdateListViews();
    QCOMPARE(Column(form, TForm1::ColOptions), QStringList({"", "", ""}));
    QVERIFY(form.LV->isColumnHidden(TForm1::ColOptions));
    form.ListOptions.Loudness = sound::TLoudness::R128;
    form.ListOptions.Trim = true;
    sound::TSoundOptions own;
    own.Loudness = sound::TLoudness::Peak;
    own.Target = -3.5;
    own.Dither = sound::TDither::Triangular;
    form.SetRowOptions(1, own);
    form.SetRowOptions(2, sound::TSoundOptions{});
    form.UpdateListViews();
    QCOMPARE(Column(form, TForm1::ColOptions),
             QStringList({"R128 -16 LUFS, trim (list)", "peak -3.5 dB, dither", "off"}));
    QVERIFY(!form.LV->isColumnHidden(TForm1::ColOptions));
    form.ListOptions = {};
    form.UpdateListViews();
    QCOMPARE(Column(form, TForm1::ColOptions), QStringList({"", "peak -3.5 dB, dither", ""}));
  }

  // Trimmed rows show and count what the device will hold; a changed option or file measures again.
  void TrimmedRowsShowThePreparedLength() {
    qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toUtf8());
    const QString padded = dir_.filePath("padded.wav");
    QVERIFY(MakePadded(padded, 1));
    TForm1 form;
    form.AppendSoundRow(padded);
    form.AppendSoundRow(tone_);
    form.RefreshList();
    const auto settled = [&] { return !Column(form, TForm1::ColLength).contains("..."); };
    QTRY_COMPARE_WITH_TIMEOUT(Column(form, TForm1::ColLength), QStringList({"5.0", "0.5"}), 60000);

    form.SetRowOptions(0, Trimmed());
    form.UpdateListViews();
    QCOMPARE(form.LV->topLevelItem(0)->text(TForm1::ColLength), QStringLiteral("..."));
    QCOMPARE(form.MemoryUse().UnknownRows, 1);
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 60000);
    QVERIFY2(std::abs(Shown(form, 0) - 1.0) <= 0.1, qPrintable(Column(form, TForm1::ColLength).join(' ')));
    QCOMPARE(form.LV->topLevelItem(1)->text(TForm1::ColLength), QStringLiteral("0.5"));
    form.UpdateListViews();
    const TMemoryUse use = form.MemoryUse();
    QCOMPARE(use.UnknownRows, 0);
    QVERIFY2(std::abs(use.NeededBytes - 66150) < 4410, qPrintable(QString::number(use.NeededBytes)));
    QCOMPARE(form.MemoryGauge->TopLine(), QStringLiteral("%1 s").arg(use.NeededSeconds(), 0, 'f', 1));
    QVERIFY(!form.Engine->ComPort().Connected());

    QVERIFY(MakePadded(padded, 2));  // edited elsewhere: a longer tone, the same silence
    form.UpdateListViews();
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 60000);
    QVERIFY2(std::abs(Shown(form, 0) - 2.0) <= 0.1, qPrintable(Column(form, TForm1::ColLength).join(' ')));

    form.SetRowOptions(0, std::nullopt);  // every option off: the source's length as before
    form.UpdateListViews();
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 60000);
    QCOMPARE(Column(form, TForm1::ColLength), QStringList({"6.0", "0.5"}));
    QCOMPARE(form.LV->topLevelItem(0)->toolTip(TForm1::ColLength), QString());
  }
};

QTEST_MAIN(PreviewTest)
#include "test_preview.moc"
