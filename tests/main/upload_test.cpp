// The upload against a simulated device on a real pseudo-terminal, with the real ffmpeg.
// Expectations are computed here: ffmpeg's raw conversion of each file with 0x00 sent as
// 0x01, and the device's session log line by line.
#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <chrono>

#include "AudioFixtures.h"
#include "UploadHarness.h"
#include "device/Files.h"
#include "device/UploadFiles.h"
#include "serial/CPort.h"

using namespace fixtures;
using namespace std::chrono_literals;
using Log = std::vector<std::string>;

namespace {

std::string Hex2(unsigned v) {
  char b[3];
  std::snprintf(b, sizeof b, "%02x", v & 0xFF);
  return b;
}

Log SearchLog(unsigned Units = 32) { return {"V", "reply 38 " + Hex2(Units) + " 07"}; }

// What a correct host makes the device log for these sounds and (input, address) pairs.
Log UploadLog(const std::vector<QByteArray>& Sounds, const std::vector<std::pair<int, int>>& Addresses,
              unsigned Units = 32) {
  Log log = SearchLog(Units);
  log.insert(log.end(), {"C", "reply 2b"});
  for (size_t i = 0; i < Sounds.size(); ++i) {
    log.push_back("D sound " + std::to_string(i + 1));
    for (int a = 0; a < Sounds[i].size() / 264; ++a) log.push_back("reply 10");
    log.push_back("end sound " + std::to_string(i + 1) + ", " + std::to_string(Sounds[i].size()) + " samples");
  }
  log.push_back("end of sounds");
  for (const auto& [input, address] : Addresses)
    log.push_back("A input " + std::to_string(input) + " address " + std::to_string(address));
  return log;
}

std::vector<uint8_t> Bytes(const QByteArray& a) { return {a.begin(), a.end()}; }

bool ControlsEnabled(TForm1& f) {
  return f.btnUpload->isEnabled() && f.btnSearch->isEnabled() && f.btnAdd->isEnabled() &&
         f.btnRemove->isEnabled() && f.Startuploading1->isEnabled() && f.Searchdevice1->isEnabled();
}

// Sizes of this ffmpeg's output header for a plain 8-bit mono WAVE input.
int EncodedHeaderSize(const QString& Folder) {
  const QString src = Folder + "/probe.wav", dst = Folder + "/probe-out.wav";
  WriteWav(src, QByteArray(2, '\x80'));
  Ffmpeg({"-i", src, "-y", "-acodec", "pcm_u8", "-ar", "44100", "-ac", "1", "-sample_fmt", "u8", dst});
  return int(QFileInfo(dst).size()) - 2;
}

}  // namespace

class UploadTest : public QObject {
  Q_OBJECT
  QTemporaryDir tmp;
  QString P(const QString& n) const { return tmp.filePath(n); }

 private slots:
  void initTestCase() {
    QVERIFY(tmp.isValid());
    QGuiApplication::setApplicationDisplayName("Kestrilo");
  }
  void cleanup() { QLocale::setDefault(QLocale::c()); }

  void ThreeRowsCompleteEndToEnd() {
    // A 16-bit stereo 48 kHz tone, exact sample values 0x00/0x01/..., an MP3 with a title,
    // and a path with spaces, quotes and a placeholder in it.
    const QString dir = P("my \"sounds\" %DST% dir");
    QVERIFY(QDir().mkpath(dir));
    const QString tone = dir + "/tone %SRC%.wav", values = P("values.wav"), mp3 = P("title.mp3");
    MakeTone(tone, 0.15, 440);
    QByteArray v;
    for (int i = 0; i < 600; ++i) v.append(char(i % 3 == 0 ? 0x00 : i % 3 == 1 ? 0x01 : i & 0xFF));
    WriteWav(values, v);
    MakeTone(mp3, 0.1, 1000, "Kestrilo title");
    const std::vector<QByteArray> expected = {NoZeros(RawSamples(tone)), NoZeros(RawSamples(values)),
                                              NoZeros(RawSamples(mp3))};
    QVERIFY(expected[1].count('\0') == 0 && expected[1].count('\x01') >= 400);

    QTemporaryDir dump;
    devsim::Options o = QuickDevice();
    o.dump_dir = dump.path().toStdString();
    UploadHarness h(o);
    // One encoder and no cache, so every row's text stays up while its encoder runs.
    h.Form->Engine->Preparation.Cache.reset();
    h.Form->Engine->Preparation.Encoders = 1;
    const TComEvents events = h.Form->Engine->ComPort().Events();
    h.AddRow(tone);             // address 1
    h.AddRow(values, "2040");
    h.AddRow(mp3, "abc");       // not a number: 1
    QLocale::setDefault(QLocale(QLocale::German));  // the percentage uses the user's separator

    // Watch the window while the upload pumps events.
    QStringList panel1;
    QStringList statesSeen;
    bool nestedIgnored = true;
    int pokes = 0;
    QTimer watch;
    watch.setInterval(2);
    connect(&watch, &QTimer::timeout, [&] {
      const QString t = h.Form->PanelText(1);
      if (panel1.isEmpty() || panel1.back() != t) panel1 << t;
      const QString s = h.State(0) + "|" + h.State(1) + "|" + h.State(2);
      if (statesSeen.isEmpty() || statesSeen.back() != s) statesSeen << s;
      if (t.endsWith('%') && pokes++ == 0) {
        // A second upload, a sound test and list edits do nothing while this one runs.
        h.Form->Startuploading1Click(h.Form.get());
        h.Form->Sound41Click(h.Form->Sound31);
        h.Form->Clearlist1Click(nullptr);
        nestedIgnored = nestedIgnored && h.Form->LV->topLevelItemCount() == 3;
        nestedIgnored = nestedIgnored && !ControlsEnabled(*h.Form) && h.Form->UploadRunning;
      }
    });
    watch.start();
    h.Upload();
    watch.stop();

    QCOMPARE(h.Error, QString());
    QCOMPARE(h.Messages.Texts, std::vector<QString>{});
    QCOMPARE(h.Form->PanelText(2), QString("Upload completed!"));
    QCOMPARE(h.Form->PanelText(1), QString());
    for (int r = 0; r < 3; ++r) {
      QCOMPARE(h.State(r), QString("Done"));
      QCOMPARE(h.Code(r), QString("4"));
    }
    QCOMPARE(h.Form->ProgressBar->value(), h.Form->ProgressBar->maximum());
    QVERIFY(ControlsEnabled(*h.Form));
    QVERIFY(!h.Form->UploadRunning);
    QVERIFY(!h.Form->Engine->ComPort().Connected());
    QVERIFY(h.Form->Engine->ComPort().Events() == events);  // the port's settings as they were
    QVERIFY(nestedIgnored);
    QVERIFY(pokes > 0);

    QVERIFY(h.Sim.WaitIdle(30s));
    QCOMPARE(h.Sim.Log(), UploadLog(expected, {{1, 1}, {2, 2040}, {3, 1}}));
    const auto sounds = h.Sim.Sounds();
    QCOMPARE(sounds.size(), size_t(3));
    for (int i = 0; i < 3; ++i) QVERIFY2(sounds[i] == Bytes(expected[i]), qPrintable(QString::number(i)));
    QCOMPARE(h.Sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 1}, {2, 0x07F8}, {3, 0x0001}}));

    // Status texts in order, the percentage with two decimals and a comma.
    QVERIFY(panel1.contains("Encoding tone %SRC%.wav..."));
    QVERIFY(panel1.contains("Encoding title.mp3..."));
    QVERIFY(panel1.contains("Erasing device flash..."));
    const QRegularExpression pct("^\\d{1,2},\\d\\d%$");
    int percents = 0, firstPercent = -1;
    for (int i = 0; i < panel1.size(); ++i)
      if (pct.match(panel1[i]).hasMatch() && percents++ == 0) firstPercent = i;
    QVERIFY(percents > 10);
    QVERIFY(panel1.indexOf("All files encoded!") < panel1.indexOf("Erasing device flash..."));
    QVERIFY(panel1.indexOf("Erasing device flash...") < firstPercent);
    QVERIFY(statesSeen.contains("Encoding...|Idle|Idle"));
    QVERIFY(statesSeen.contains("Encoded|Encoded|Encoded"));
    QVERIFY(statesSeen.contains("Done|Uploading|Encoded"));

    // The temporary files live in the run's folder; the encoded files and the samples' copies are gone.
    for (int i = 0; i < 3; ++i) {
      QVERIFY(!QFile::exists(QString::fromStdString(UploadFiles::TempName(i, ".dat"))));
      QVERIFY(!QFile::exists(QString::fromStdString(UploadFiles::TempName(i, ".dat2"))));
      QVERIFY(!QFile::exists(QString::fromStdString(UploadFiles::TempName(i, ".wav"))));
      QVERIFY(!QFile::exists(QString("temp%1.wav").arg(i)));
    }
    // What a newcomer finds in the dump folder.
    h.Sim.Stop();
    QCOMPARE(ReadAll(dump.filePath("sound-2.wav")).mid(44), expected[1]);
    QCOMPARE(ReadAll(dump.filePath("addresses.txt")), QByteArray("1 1\n2 2040\n3 1\n"));

  }

  // docs/upload-completed.png: KESTRILO_UPLOAD_SCREENSHOT=<png> renders the completed window.
  void CompletedWindowScreenshot() {
    const QByteArray shot = qgetenv("KESTRILO_UPLOAD_SCREENSHOT");
    if (shot.isEmpty()) QSKIP("set KESTRILO_UPLOAD_SCREENSHOT to render the screenshot");
    const QString dir = QDir::tempPath() + "/sounds";
    QVERIFY(QDir().mkpath(dir));
    MakeTone(dir + "/doorbell.wav", 0.4, 660);
    MakeTone(dir + "/chime.mp3", 0.3, 880, "Chime");
    UploadHarness h(QuickDevice());
    h.AddRow(dir + "/doorbell.wav");
    h.AddRow(dir + "/chime.mp3");
    h.Form->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.Form.get()));
    h.Upload();
    QCOMPARE(h.Form->PanelText(2), QString("Upload completed!"));
    QTest::qWait(300);
    QVERIFY(h.Form->grab().save(QString::fromLocal8Bit(shot)));
    QDir(dir).removeRecursively();
  }

  void EmptyListSaysNoFileAfterTheSearch() {
    UploadHarness h(QuickDevice());
    h.Upload();
    QCOMPARE(h.Form->PanelText(1), QString("No file!"));
    QVERIFY(h.Form->PanelText(2).startsWith("Vorel-30415 Sound Player found on "));
    QVERIFY(h.Messages.Texts.empty());
    QVERIFY(ControlsEnabled(*h.Form));
    QVERIFY(!h.Form->Engine->ComPort().Connected());
    QVERIFY(h.Sim.WaitIdle(10s));
    QCOMPARE(h.Sim.Log(), SearchLog());
  }

  void NoDeviceIsToldAfterEveryRowIsEncoded() {
    devsim::Options o = QuickDevice();
    o.silent = true;
    UploadHarness h(o);
    const QString a = P("nodev.wav");
    WriteWav(a, QByteArray(100, '\x70'));
    h.AddRow(a);
    h.AddRow(a);
    QStringList statesAtMessage;
    h.Messages.OnMessage = [&](QMessageBox*) { statesAtMessage << h.State(0) << h.State(1); };
    h.Upload();
    QCOMPARE(h.Messages.Texts, (std::vector<QString>{"No device found! Please check the USB connection and search again!"}));
    QCOMPARE(h.Messages.Titles.front(), QString("Kestrilo"));
    QCOMPARE(h.Messages.Icons.front(), QMessageBox::NoIcon);
    QCOMPARE(statesAtMessage, (QStringList{"Encoded", "Encoded"}));
    QCOMPARE(h.Form->PanelText(1), QString("All files encoded!"));
    QCOMPARE(h.Form->ProgressBar->value(), 0);
    QVERIFY(!h.Form->Engine->ComPort().Connected());
    QVERIFY(ControlsEnabled(*h.Form));
    QVERIFY(h.Sim.WaitIdle(10s));
    // A silent device answers nothing; the probes at the other speeds are noise to it; no 'C'.
    QCOMPARE(h.Sim.Log(), (Log{"V", "ignored 0x56 at 57600 bit/s", "ignored 0x56 at 9600 bit/s"}));
  }

  void MemoryLimitCountsWholeFilesWithMargin() {
    // Capacity 131072 bytes; every encoded file counts whole, header included. This
    // ffmpeg writes files of even size only, so the largest total that passes is C - 130.
    const int header = EncodedHeaderSize(tmp.path());
    QVERIFY(header > 44);
    const int capacity = 131072;
    for (int margin : {128, 130}) {
      devsim::Options o = QuickDevice();
      o.capacity_units = 1;
      UploadHarness h(o);
      const QString a = P(QString("big%1.wav").arg(margin)), b = P("small.wav");
      WriteWav(b, QByteArray(1000, '\x22'));
      WriteWav(a, QByteArray(capacity - margin - 2 * header - 1000, '\x33'));
      h.AddRow(a);
      h.AddRow(b);
      h.Upload();
      // The encoded files total capacity - margin (the samples below show it); none is kept.
      QCOMPARE(FileSizeOf(UploadFiles::TempName(0, ".dat")) + FileSizeOf(UploadFiles::TempName(1, ".dat")), int64_t(-2));
      QCOMPARE(h.Error, QString());
      QVERIFY(h.Sim.WaitIdle(30s));
      if (margin == 128) {
        QCOMPARE(h.Messages.Texts, (std::vector<QString>{"The files total length larger than device memory!\n"
                                                         "The sounds need 3.0 s (0.1 MB); the device holds 3.0 s (0.1 MB).\n"
                                                         "To fit, the sounds must be 1 byte (0.02 ms) shorter."}));
        QCOMPARE(h.Sim.Log(), SearchLog(1));
        QCOMPARE(h.State(0), QString("Encoded"));
        QCOMPARE(h.Form->PanelText(1), QString("All files encoded!"));
        QVERIFY(h.Form->PanelText(2).startsWith("Vorel-30415 Sound Player found on "));
      } else {
        QVERIFY(h.Messages.Texts.empty());
        QCOMPARE(h.Form->PanelText(2), QString("Upload completed!"));
        const auto sounds = h.Sim.Sounds();
        QCOMPARE(sounds.size(), size_t(2));
        QCOMPARE(sounds[0].size() + sounds[1].size(), size_t(capacity - margin - 2 * header));
        QVERIFY(!h.Sim.Log().empty() && h.Sim.Log().back() == "A input 2 address 2");
      }
      QVERIFY(!h.Form->Engine->ComPort().Connected());
      QVERIFY(ControlsEnabled(*h.Form));
    }
  }

  void EraseWithoutReplyTimesOut() {
    devsim::Options o = QuickDevice();
    o.no_erase_reply = true;
    UploadHarness h(o);
    const QString a = P("erase.wav");
    WriteWav(a, QByteArray(100, '\x70'));
    h.AddRow(a);
    TEngineTimeouts shorter;
    shorter.EraseWaitMs = 1000;
    h.Form->Engine->SetTimeouts(shorter);
    int progressAtMessage = -1, maxAtMessage = -1;
    QString panelAtMessage;
    h.Messages.OnMessage = [&](QMessageBox*) {
      progressAtMessage = h.Form->ProgressBar->value();
      maxAtMessage = h.Form->ProgressBar->maximum();
      panelAtMessage = h.Form->PanelText(1);
    };
    h.Upload();  // waits the whole erase time
    QCOMPARE(h.Messages.Texts.size(), size_t(1));
    QVERIFY(h.Messages.Texts[0].startsWith("Timeout error!\n"));
    QCOMPARE(progressAtMessage, 50);
    QCOMPARE(maxAtMessage, 100);
    QCOMPARE(panelAtMessage, QString("Erasing device flash..."));
    QCOMPARE(h.Form->PanelText(1), QString("Erasing device flash..."));
    QCOMPARE(h.State(0), QString("Encoded"));
    QVERIFY(!h.Form->Engine->ComPort().Connected());
    QVERIFY(ControlsEnabled(*h.Form));
    Log expected = SearchLog();
    expected.push_back("C");
    QCOMPARE(h.Sim.Log(), expected);
  }

  void FileThatDoesNotConvertStopsBeforeErasing() {
    UploadHarness h(QuickDevice());
    const QString good = P("good.wav"), junk = P("junk file.mp3");
    WriteWav(good, QByteArray(100, '\x70'));
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("certainly not an mp3");
    f.close();
    h.AddRow(good);
    h.AddRow(junk);
    h.AddRow(good);
    h.Upload();
    QCOMPARE(h.Error, QString());
    QCOMPARE(h.Messages.Texts.size(), size_t(1));
    QVERIFY2(h.Messages.Texts[0].startsWith("Cannot convert \"" + junk + "\":\n"), qPrintable(h.Messages.Texts[0]));
    QVERIFY(h.Messages.Texts[0].section('\n', 1).size() > 3);  // the encoder's own words
    QCOMPARE(h.State(0), QString("Encoded"));
    QCOMPARE(h.State(1), QString("Failed"));
    QCOMPARE(h.Code(1), QString("5"));
    QCOMPARE(h.State(2), QString("Idle"));
    h.Form->RefreshList();
    QCOMPARE(h.State(1), QString("Failed"));  // the refresh leaves it
    QVERIFY(!h.Form->Engine->ComPort().Connected());
    QVERIFY(ControlsEnabled(*h.Form));
    QVERIFY(h.Sim.WaitIdle(10s));
    QCOMPARE(h.Sim.Log(), SearchLog());  // never erased
  }

  void MissingSourceAndMissingEncoderAreNamed() {
    UploadHarness h(QuickDevice());
    h.AddRow(P("gone away.wav"));
    h.Upload();
    QCOMPARE(h.Messages.Texts.size(), size_t(1));
    QCOMPARE(h.Messages.Texts[0],
             "Cannot convert \"" + P("gone away.wav") + "\":\n" + P("gone away.wav") + ": No such file or directory");
    QCOMPARE(h.State(0), QString("Failed"));

    const QString a = P("fine.wav");
    WriteWav(a, QByteArray(10, '\x70'));
    h.Form->LV->topLevelItem(0)->setText(TForm1::ColFilename, a);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(P("empty-bin")));
    h.Upload();
    qputenv("PATH", path);
    QCOMPARE(h.Messages.Texts.size(), size_t(2));
    QCOMPARE(h.Messages.Texts[1], "Cannot convert \"" + a + "\":\ncannot start ffmpeg: No such file or directory");
    QVERIFY(h.Sim.WaitIdle(10s));
    QCOMPARE(h.Sim.Log(), (Log{"V", "reply 38 20 07"}));  // the missing file was refused before the search
  }

  void DeviceHangingUpMidStreamEndsWithAMessage() {
    devsim::Options o = QuickDevice();
    o.hangup_after = 1500;
    UploadHarness h(o);
    const QString a = P("long.wav");
    WriteWav(a, QByteArray(6000, '\x55'));
    h.AddRow(a);
    h.AddRow(a);
    h.Upload();
    QCOMPARE(h.Error, QString());
    QCOMPARE(h.Messages.Texts.size(), size_t(1));
    QVERIFY2(h.Messages.Texts[0].contains(QString::fromStdString(h.Sim.SlavePath())), qPrintable(h.Messages.Texts[0]));
    QVERIFY(h.Messages.Texts[0].endsWith("The device now holds only part of the sounds and needs a new upload."));
    QVERIFY(ControlsEnabled(*h.Form));
    QVERIFY(!h.Form->Engine->ComPort().Connected());
    QVERIFY(!h.Form->UploadRunning);
    QCOMPARE(h.State(0), QString("Failed"));
    QCOMPARE(h.Form->PanelText(1), QString());
    QCOMPARE(h.State(1), QString("Encoded"));
    QVERIFY(h.Sim.HungUp());
    const Log log = h.Sim.Log();
    QVERIFY(!log.empty());
    QCOMPARE(log.back(), std::string("hangup after 1500 data bytes"));
  }

  // A device hung behind a draining port (a USB bridge) stops the upload within 10 s of the
  // data's start; one that acknowledges late but steadily completes.
  void HungDeviceBehindADrainingPortStopsTheUpload() {
    struct TCase {
      unsigned Baud;
      long long HangAfter;  // -1: acknowledges 400 ms late instead
      int Samples;
    };
    for (const TCase c : {TCase{115200, 20000, 60000}, TCase{9600, 1000, 25000}, TCase{115200, -1, 30000},
                          TCase{9600, -1, 3000}}) {
      QTemporaryDir dump;
      devsim::Options o = QuickDevice();
      o.line_rate = true;
      o.baud = c.Baud;
      o.hang_after = c.HangAfter;
      o.dump_dir = dump.path().toStdString();
      if (c.HangAfter < 0) o.ack_delay_ms = 400;
      UploadHarness h(o);
      QByteArray samples;
      for (int i = 0; i < c.Samples; ++i) samples.append(char(i * 7));
      WriteWav(P("long.wav"), samples);
      h.AddRow(P("long.wav"));
      QElapsedTimer sinceData, untilMessage;
      bool completedSeen = false;
      QTimer watch;
      connect(&watch, &QTimer::timeout, [&] {
        if (!sinceData.isValid() && h.Form->PanelText(1) == "Uploading data...") sinceData.start();
        completedSeen = completedSeen || h.Form->PanelText(2) == "Upload completed!";
      });
      h.Messages.OnMessage = [&](QMessageBox*) { untilMessage.start(); };
      watch.start(5);
      h.Upload();
      watch.stop();
      const QString trace = QString("%1 bit/s, hang after %2").arg(c.Baud).arg(c.HangAfter);
      QCOMPARE(h.Error, QString());
      QVERIFY(ControlsEnabled(*h.Form));
      QVERIFY(!h.Form->Engine->ComPort().Connected());
      const QByteArray wire = NoZeros(samples);
      if (c.HangAfter < 0) {
        QVERIFY2(h.Messages.Texts.empty(), qPrintable(trace));
        QCOMPARE(h.Form->PanelText(2), QString("Upload completed!"));
        QCOMPARE(h.State(0), QString("Done"));
        QVERIFY(h.Sim.WaitIdle(60s));
        QCOMPARE(h.Sim.Sounds(), std::vector<std::vector<uint8_t>>{Bytes(wire)});
        continue;
      }
      QVERIFY2(sinceData.isValid() && untilMessage.isValid(), qPrintable(trace));
      QVERIFY2(sinceData.elapsed() - untilMessage.elapsed() < 10000, qPrintable(trace));
      QVERIFY2(!completedSeen, qPrintable(trace));
      QCOMPARE(h.Messages.Texts, (std::vector<QString>{
                                     "The device stopped accepting data on " + QString::fromStdString(h.Sim.SlavePath()) +
                                     ".\nThe device now holds only part of the sounds and needs a new upload."}));
      QCOMPARE(h.State(0), QString("Failed"));
      QCOMPARE(h.Form->PanelText(1), QString());
      h.Sim.Stop();  // writes the unfinished sound
      QCOMPARE(ReadAll(dump.filePath("sound-1.wav")).mid(44), wire.left(int(c.HangAfter)));
    }
  }

  // The Device menu's "Cancel upload" (Escape) stops the stream through the designed end.
  void CancelStopsTheStreamAndSaysWhatTheDeviceHolds() {
    UploadHarness h(QuickDevice());
    const QString a = P("long.wav");
    WriteWav(a, QByteArray(20000, '\x55'));
    h.AddRow(a);
    h.AddRow(a);
    bool enabledDuring = false;
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, [&] {
      if (!h.Form->PanelText(1).endsWith('%')) return;
      watch.stop();
      enabledDuring = h.Form->Cancelupload1->isEnabled();
      h.Form->Cancelupload1->trigger();
    });
    watch.start();
    h.Upload();
    QVERIFY(enabledDuring);
    QCOMPARE(h.Messages.Texts, (std::vector<QString>{
                                   "Upload cancelled.\nThe device now holds only part of the sounds and needs a new upload."}));
    QCOMPARE(h.State(0), QString("Failed"));
    QCOMPARE(h.State(1), QString("Encoded"));
    QCOMPARE(h.Form->PanelText(1), QString());
    QVERIFY(ControlsEnabled(*h.Form));
    QVERIFY(!h.Form->Cancelupload1->isEnabled());
    QVERIFY(!h.Form->Engine->ComPort().Connected());
  }

  // A sound without samples would leave an input silent: it is refused before the erase.
  void EmptySoundIsRefusedBeforeErasing() {
    UploadHarness h(QuickDevice());
    const QString empty = P("empty.wav"), one = P("one.wav");
    WriteWav(empty, QByteArray());
    WriteWav(one, QByteArray(1, '\0'));
    h.AddRow(one);
    h.AddRow(empty);
    h.Upload();
    QCOMPARE(h.Messages.Texts, (std::vector<QString>{"Cannot convert \"" + empty + "\":\nthe sound holds no samples"}));
    QCOMPARE(h.State(1), QString("Failed"));
    QCOMPARE(h.Form->PanelText(1), QString("Encoding failed!"));
    QCOMPARE(h.Sim.Log(), SearchLog());
  }

  void OneSampleSoundAndOddAddresses() {
    UploadHarness h(QuickDevice());
    const QString one = P("one.wav");
    WriteWav(one, QByteArray(1, '\0'));
    h.AddRow(one, "");
    h.AddRow(one, "70000");  // low 16 bits: 4464
    h.Upload();
    QVERIFY(h.Messages.Texts.empty());
    QCOMPARE(h.Form->PanelText(2), QString("Upload completed!"));
    QVERIFY(h.Sim.WaitIdle(10s));
    QCOMPARE(h.Sim.Log(), UploadLog({QByteArray(1, '\x01'), QByteArray(1, '\x01')}, {{1, 1}, {2, 4464}}));
  }

  void Rows256And257AreInputs0And1() {
    UploadHarness h(QuickDevice());
    const QString a = P("tiny.wav");
    WriteWav(a, QByteArray(1, '\x90'));
    for (int i = 0; i < 257; ++i) h.AddRow(a);
    h.Upload();
    QVERIFY(h.Messages.Texts.empty());
    QCOMPARE(h.Form->PanelText(2), QString("Upload completed!"));
    QVERIFY(h.Sim.WaitIdle(30s));
    const auto addr = h.Sim.Addresses();
    QCOMPARE(addr.size(), size_t(257));
    QCOMPARE(addr[0], (devsim::AddressCommand{1, 1}));
    QCOMPARE(addr[254], (devsim::AddressCommand{255, 255}));
    QCOMPARE(addr[255], (devsim::AddressCommand{0, 256}));
    QCOMPARE(addr[256], (devsim::AddressCommand{1, 257}));
    QCOMPARE(h.Sim.Sounds().size(), size_t(257));
  }
};

QTEST_MAIN(UploadTest)
#include "upload_test.moc"
