// The encoder's command line, running it, the size query and the WAVE reader, against the
// real ffmpeg.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

#include "AudioFixtures.h"
#include "device/EncoderCommand.h"
#include "device/F_Execute.h"
#include "device/Protocol.h"
#include "device/Files.h"
#include "device/WaveFile.h"
#include "main/EventPump.h"
#include "platform/ticks.h"

using namespace fixtures;

namespace {

std::string S(const QString& Text) { return QFile::encodeName(Text).toStdString(); }
QString Q(const std::string& Text) { return QFile::decodeName(Text.c_str()); }
QStringList Q(const std::vector<std::string>& List) {
  QStringList out;
  for (const auto& s : List) out << Q(s);
  return out;
}

// The window's pump between two looks at the child.
void WindowPump() { PumpEventsUntil(platform::GetTickCount(), 5, [] { return false; }); }

std::optional<TWaveData> FindWaveIn(const QString& File, QString* Why = nullptr) {
  std::string why;
  auto d = FindWaveData(S(File), &why);
  if (Why) *Why = Q(why);
  return d;
}

}  // namespace

class EncodingTest : public QObject {
  Q_OBJECT
  QTemporaryDir tmp;

  QString P(const QString& name) const { return tmp.filePath(name); }

  // Runs the encoder the way the upload does.
  TExecuteResult Encode(const QString& src, const QString& dst) {
    return ExecuteAndWait(EncoderPath(), EncoderArguments(S(src), S(dst), protocol::LargestCapacity), SW_MINIMIZE, WindowPump);
  }

 private slots:
  void ArgumentsSplitAtUnquotedSpacesOnly() {
    QCOMPARE(Q(SplitArguments(EncoderTemplate)),
             (QStringList{"-protocol_whitelist", "file", "-i", "file:%SRC%", "-y", "-acodec", "pcm_u8", "-ar", "44100",
                          "-ac", "1", "-sample_fmt", "u8", "-t", "%MAX%", "file:%DST%"}));
    QCOMPARE(Q(SplitArguments("a  \"b c\" \"\" d\"e f\"g")), (QStringList{"a", "b c", "", "de fg"}));
    QVERIFY(SplitArguments("").empty());
  }

  void PlaceholdersAreReplacedInOnePass() {
    const std::vector<std::pair<std::string, std::string>> v{{"%SRC%", "/x/%DST%.wav"}, {"%DST%", "/t/temp0.wav"}};
    QCOMPARE(ReplacePlaceholders("%SRC%", v), std::string("/x/%DST%.wav"));
    QCOMPARE(ReplacePlaceholders("<%DST%|%SRC%|%src%>", v), std::string("</t/temp0.wav|/x/%DST%.wav|%src%>"));
    QCOMPARE(ReplacePlaceholders("%%SRC%%", v), std::string("%/x/%DST%.wav%"));
    const QStringList args = Q(EncoderArguments("/x/C:\\a b\\\"x\" %DST%.mp3", "temp0.wav", 4 << 20));
    QCOMPARE(args.size(), 16);
    QCOMPARE(args[3], QString("file:/x/C:\\a b\\\"x\" %DST%.mp3"));
    QCOMPARE(args[15], "file:" + QDir::currentPath() + "/temp0.wav");  // absolute, as every path
  }

  void EncoderIsFoundBesideTheProgramFirst() {
    QCOMPARE(EncoderPath(), std::string("ffmpeg"));
    QTemporaryDir home;
    const QString program = home.filePath("probe");
    QVERIFY(QFile::copy(ENCODER_PATH_PROBE, program));
    const auto found = [&program] {
      QProcess p;
      p.start(program, {});
      p.waitForFinished(60000);
      return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    };
    const QString dir = home.filePath("coder");
    QVERIFY(QDir().mkpath(dir));
    const QString local = dir + "/ffmpeg";
    {
      QFile f(local);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("#!/bin/sh\nexit 0\n");
    }
    QCOMPARE(found(), QString("ffmpeg"));  // not executable yet
    QVERIFY(::chmod(QFile::encodeName(local).constData(), 0755) == 0);
    QCOMPARE(found(), local);
    QVERIFY(QDir(dir).removeRecursively());
    QCOMPARE(found(), QString("ffmpeg"));
  }

  void ConvertsStereo48kToWhatTheDevicePlays() {
    const QString src = P("tone 48k.wav"), dst = P("temp0.wav");
    MakeTone(src, 0.5);
    const TExecuteResult r = Encode(src, dst);
    QVERIFY2(r.Succeeded(), r.Failure("ffmpeg").c_str());
    QVERIFY(r.Failure("ffmpeg").empty());
    QString why;
    const auto data = FindWaveIn(dst, &why);
    QVERIFY2(data, qPrintable(why));
    // This ffmpeg puts a LIST chunk before the samples: a fixed 44-byte skip would be wrong.
    QVERIFY(data->Offset > 44);
    const QByteArray file = ReadAll(dst);
    QCOMPARE(file.mid(int(data->Offset) - 8, 4), QByteArray("data"));
    QCOMPARE(file.mid(int(data->Offset), int(data->Size)), RawSamples(src));
    QCOMPARE(int(data->Size), 22050);
    QCOMPARE(FileSizeOf(S(dst)), int64_t(file.size()));
  }

  void OutputStopsASecondPastTheCapacity() {
    const QString src = P("long.wav"), dst = P("bounded.wav");
    WriteWav(src, QByteArray(3 * 44100, '\x42'));
    QVERIFY(ExecuteAndWait(EncoderPath(), EncoderArguments(S(src), S(dst), 44100), SW_MINIMIZE, WindowPump).Succeeded());
    QCOMPARE(FindWaveIn(dst)->Size, 2u * 44100u);
  }

  void ExistingOutputIsOverwritten() {
    const QString src = P("short.wav"), dst = P("over.wav");
    WriteWav(src, QByteArray(10, '\x42'));
    WriteWav(dst, QByteArray(5000, '\x10'));
    QVERIFY(Encode(src, dst).Succeeded());
    QCOMPARE(FindWaveIn(dst)->Size, 10u);
  }

  void Mp3WithTitleAndOddLength() {
    const QString src = P("song.mp3"), dst = P("temp1.wav");
    MakeTone(src, 0.3, 1000, "A title of odd length");
    QVERIFY(Encode(src, dst).Succeeded());
    QString why;
    const auto data = FindWaveIn(dst, &why);
    QVERIFY2(data, qPrintable(why));
    const QByteArray file = ReadAll(dst);
    QVERIFY(file.left(int(data->Offset)).contains("A title of odd length"));
    QCOMPARE(file.mid(int(data->Offset), int(data->Size)), RawSamples(src));
  }

  void ExactSampleValuesPassThrough() {
    QByteArray s;
    for (int i = 0; i < 256; ++i) s.append(char(i));
    s.append(QByteArray(7, '\0'));
    const QString src = P("values.wav"), dst = P("temp2.wav");
    WriteWav(src, s);
    QVERIFY(Encode(src, dst).Succeeded());
    const auto data = FindWaveIn(dst);
    QVERIFY(data);
    QCOMPARE(ReadAll(dst).mid(int(data->Offset), int(data->Size)), s);
  }

  void PathWithSpacesQuotesAndPlaceholderConverts() {
    const QString dir = P("a \"b\" %DST% c");
    QVERIFY(QDir().mkpath(dir));
    const QString src = dir + "/%SRC% it's \"q\".wav", dst = P("temp3.wav");
    WriteWav(src, QByteArray(300, '\x90'));
    const TExecuteResult r = Encode(src, dst);
    QVERIFY2(r.Succeeded(), r.Failure("ffmpeg").c_str());
    QCOMPARE(FindWaveIn(dst)->Size, 300u);
    QVERIFY(!QFile::exists(dir + "/temp3.wav"));
  }

  void FailuresAreExplained() {
    const TExecuteResult gone = Encode(P("no such file.mp3"), P("temp4.wav"));
    QVERIFY(gone.Started && gone.Exited && gone.ExitCode != 0);
    QCOMPARE(Q(gone.Failure("ffmpeg")), "file:" + P("no such file.mp3") + ": No such file or directory");
    QCOMPARE(FileSizeOf(S(P("temp4.wav"))), int64_t(-1));

    const TExecuteResult missing = ExecuteAndWait("/nonexistent/coder/ffmpeg", {"-y"}, SW_MINIMIZE, WindowPump);
    QVERIFY(!missing.Started);
    QCOMPARE(missing.Failure("/nonexistent/coder/ffmpeg"),
             std::string("cannot start /nonexistent/coder/ffmpeg: No such file or directory"));

    const QString junk = P("junk.mp3");
    QFile f(junk);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("this is not audio at all");
    f.close();
    const TExecuteResult bad = Encode(junk, P("temp5.wav"));
    QVERIFY(!bad.Succeeded());
    QVERIFY(!bad.Failure("ffmpeg").empty());
  }

  void WindowStaysAliveWhileTheEncoderRuns() {
    int ticks = 0;
    QTimer t;
    connect(&t, &QTimer::timeout, [&] { ++ticks; });
    t.start(10);
    const TExecuteResult r = ExecuteAndWait("sh", {"-c", "sleep 0.5"}, SW_MINIMIZE, WindowPump);
    QVERIFY(r.Succeeded());
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
  }

  void EngineFilesStayOutOfTheEncoder() {
    const QString file = P("held.dat");
    TFile held(S(file), TFile::fmWrite);
    const TExecuteResult r = ExecuteAndWait("sh", {"-c", "ls -l /proc/$$/fd >&2"}, SW_MINIMIZE, WindowPump);
    QVERIFY(r.Succeeded());
    QVERIFY2(!Q(r.ErrorOutput).contains(file), r.ErrorOutput.c_str());
  }

  void FileSizeOfIsSixtyFourBit() {
    QCOMPARE(FileSizeOf(S(P("missing"))), int64_t(-1));
    QCOMPARE(FileSizeOf(std::string()), int64_t(-1));
    const QString big = P("big.dat");
    {
      QFile f(big);
      QVERIFY(f.open(QIODevice::WriteOnly));
      QVERIFY(f.resize(int64_t(5) << 30));  // sparse: takes no room
    }
    QCOMPARE(FileSizeOf(S(big)), int64_t(5) << 30);
    QFile::remove(big);
    const QString u = P("ünïcode name.wav");
    WriteWav(u, QByteArray(3, 'x'));
    QCOMPARE(FileSizeOf(S(u)), int64_t(48));
  }

  void WaveReaderRefusesWhatIsNotUsable() {
    const QString file = P("check.wav");
    auto check = [&file](const QByteArray& bytes, const char* why_part) {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(bytes);
      f.close();
      QString why;
      const auto d = FindWaveIn(file, &why);
      QVERIFY2(!d, why_part);
      QVERIFY2(why.contains(why_part), qPrintable(why));
    };
    const QString ok = P("ok.wav");
    WriteWav(ok, QByteArray(11, 'z'));
    const QByteArray good = ReadAll(ok);
    QCOMPARE(good.size(), 44 + 12);  // odd data, pad byte
    QCOMPARE(FindWaveIn(ok)->Offset, int64_t(44));
    QCOMPARE(FindWaveIn(ok)->Size, 11u);

    check(QByteArray("RIFX") + good.mid(4), "not a WAVE");
    check(good.left(8), "not a WAVE");
    check(good.left(36), "no samples");          // header without its data chunk
    check(good.left(50), "cut short");            // data chunk says more than there is
    QByteArray noData = good;
    noData.replace(36, 4, "junk");
    check(noData, "no samples");
    const QString st = P("st.wav");
    WriteWav(st, QByteArray(8, 'z'), 2, 44100, 8);
    check(ReadAll(st), "8-bit mono");
    WriteWav(st, QByteArray(8, 'z'), 1, 48000, 8);
    check(ReadAll(st), "8-bit mono");
    WriteWav(st, QByteArray(8, 'z'), 1, 44100, 16);
    check(ReadAll(st), "8-bit mono");
    QString why;
    QVERIFY(!FindWaveIn(P("missing.wav"), &why));
    QVERIFY(why.startsWith("cannot open"));
  }
};

QTEST_GUILESS_MAIN(EncodingTest)
#include "encoding_test.moc"
