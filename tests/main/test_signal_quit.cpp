// Termination signals against the real program: it ends at once, keeps the unsaved list for
// the next start, and cancels an upload under way.
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <chrono>
#include <signal.h>

#include "AudioFixtures.h"
#include "devsim/devsim.h"
#include "lists/RecoveryFile.h"
#include "sound_list_fixture.h"

using namespace std::chrono_literals;

namespace {

// The program with a state and a temporary folder of its own, and no port of this machine.
struct Program {
  QTemporaryDir State, Temp;
  QProcess P;

  Program(const QString& Exe, const QStringList& Args, const std::string& Ports = {}) {
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    for (const auto& [Name, Value] : {std::pair<QString, QString>{"QT_QPA_PLATFORM", "offscreen"},
                                      {"XDG_STATE_HOME", State.path()},
                                      {"XDG_CONFIG_HOME", State.filePath("config")},  // recent lists
                                      {"TMPDIR", Temp.path()},
                                      {"KESTRILO_PORTS", QString::fromStdString(Ports)}})
      Env.insert(Name, Value);
    P.setProcessEnvironment(Env);
    P.start(Exe, Args);
    P.waitForStarted(60000);  // before, the forked test itself, with QtTest's handlers, is there
  }
  ~Program() {
    if (P.state() != QProcess::NotRunning) P.kill();
    P.waitForFinished(30000);
  }

  // The program takes signals once its window holds the start arguments' rows.
  bool CatchesSignals() const {
    QFile Status(QStringLiteral("/proc/%1/status").arg(P.processId()));
    if (!Status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& Line : Status.readAll().split('\n'))
      if (Line.startsWith("SigCgt:")) return Line.mid(7).trimmed().toULongLong(nullptr, 16) & (1ull << (SIGTERM - 1));
    return false;
  }

  // Signal ends the program within 2 s, by exit(0).
  void EndsAtOnceWith(int Signal) {
    QElapsedTimer Clock;
    Clock.start();
    ::kill(pid_t(P.processId()), Signal);
    QVERIFY(P.waitForFinished(30000));
    QVERIFY2(Clock.elapsed() < 2000, qPrintable(QString::number(Clock.elapsed())));
    QCOMPARE(P.exitStatus(), QProcess::NormalExit);
    QCOMPARE(P.exitCode(), 0);
  }

  QString RecoveryFile() const { return State.filePath(QStringLiteral("kestrilo/unsaved-list.kestrilo")); }
};

void AnswerNextQuestion(QMessageBox::StandardButton Button, QString* Text = nullptr) {
  ModalDriver::When<QMessageBox>([Button, Text](QMessageBox* Box) {
    if (Text) *Text = Box->text();
    Box->button(Button)->click();
  });
}

}  // namespace

class SignalQuitTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  }
  void cleanup() { QCOMPARE(ModalDriver::Misses(), 0); }

  // Killed with a list opened and changed: the next start offers it back; Yes restores it.
  void killedWithUnsavedChangesKeepsTheListForTheNextStart() {
    SoundFolder Folder({"a.wav", "b.wav", "extra.wav"});
    const QString List = Folder.Path("set.kestrilo");
    lists::SaveList(List.toStdString(), {{Folder.Path("a.wav").toStdString(), 7}, {Folder.Path("b.wav").toStdString(), 2040}});
    Program Run(QStringLiteral(KESTRILO_EXE), {List, Folder.Path("extra.wav")});
    QTRY_VERIFY_WITH_TIMEOUT(Run.CatchesSignals(), 60000);
    Run.EndsAtOnceWith(SIGTERM);
    QVERIFY(QFile::exists(Run.RecoveryFile()));

    qputenv("XDG_STATE_HOME", Run.State.path().toLocal8Bit());
    TForm1 Form;
    Form.show();
    QString Asked;
    AnswerNextQuestion(QMessageBox::Yes, &Asked);
    Form.OfferRecoveredList();
    QCOMPARE(Asked, QStringLiteral("Kestrilo was ended while the sound list had unsaved changes. Reopen that list?"));
    QVERIFY(!QFile::exists(Run.RecoveryFile()));
    QCOMPARE(Column(Form, TForm1::ColFilename),
             QStringList({Folder.Path("a.wav"), Folder.Path("b.wav"), Folder.Path("extra.wav")}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"7", "2040", "3"}));
    QCOMPARE(Form.windowTitle(), QStringLiteral("set.kestrilo* - Kestrilo"));
    Form.Savelist1->trigger();  // to the list it came from, no dialog
    QCOMPARE(lists::LoadList(List.toStdString()).size(), size_t(3));

    // No discards it; closing by hand still asks and keeps nothing.
    lists::SaveRecoveredList(Run.RecoveryFile().toStdString(), {{{Folder.Path("b.wav").toStdString(), 5}}, {}});
    AnswerNextQuestion(QMessageBox::No);
    Form.OfferRecoveredList();
    QVERIFY(!QFile::exists(Run.RecoveryFile()));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"7", "2040", "3"}));
    Form.Clearlist1->trigger();
    AnswerNextQuestion(QMessageBox::Cancel);
    QVERIFY(!Form.close());
    QVERIFY(!QFile::exists(Run.RecoveryFile()));
    AnswerNextQuestion(QMessageBox::Discard);
    QVERIFY(Form.close());
    qunsetenv("XDG_STATE_HOME");
  }

  // A hangup in the erase: the upload is cancelled as by the user and the program ends.
  void hangupDuringAnUploadEndsItAndCleansUp() {
    devsim::Options Slow;
    Slow.erase_ms = 60000;
    Slow.line_rate = false;
    devsim::Simulator Sim(Slow);
    QTemporaryDir Sounds;
    fixtures::MakeTone(Sounds.filePath(QStringLiteral("a.wav")), 0.05);
    Program Run(QStringLiteral(UPLOAD_ON_START_EXE), {Sounds.filePath(QStringLiteral("a.wav"))}, Sim.SlavePath());
    QVERIFY(Sim.WaitForLogLine("C", 60s));
    Run.EndsAtOnceWith(SIGHUP);
    const QString Err = QString::fromLocal8Bit(Run.P.readAllStandardError());
    QVERIFY2(Err.contains(QStringLiteral("Upload cancelled.\n")), qPrintable(Err));  // the cancel's own clean-up ran
    const QStringList Left = QDir(Run.Temp.path()).entryList({QStringLiteral("kestrilo*")}, QDir::AllEntries | QDir::Hidden);
    QVERIFY2(Left.isEmpty(), qPrintable(Left.join(u' ')));
    QVERIFY(QFile::exists(Run.RecoveryFile()));  // the row from the command line was never saved
  }
};

QTEST_MAIN(SignalQuitTest)
#include "test_signal_quit.moc"
