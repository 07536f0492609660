// The program itself: without a display it says so in one line and fails; with one it starts
// its window and keeps running until it is closed.
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QProcessEnvironment>
#include <QTest>

class EntryTest : public QObject {
  Q_OBJECT
 private slots:
  void noDisplayIsOneClearLine() {
    QProcess P;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove(QStringLiteral("DISPLAY"));
    Env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    Env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    P.setProcessEnvironment(Env);
    P.start(QStringLiteral(KESTRILO_EXE), {});
    QVERIFY(P.waitForFinished(60000));
    QCOMPARE(P.exitStatus(), QProcess::NormalExit);
    QCOMPARE(P.exitCode(), 1);
    const QString Err = QString::fromLocal8Bit(P.readAllStandardError());
    QCOMPARE(Err.count(u'\n'), 1);
    QVERIFY2(Err.startsWith(QStringLiteral("kestrilo: no display found")), qPrintable(Err));
    QCOMPARE(P.readAllStandardOutput(), QByteArray());
  }

  void startsAndRunsItsEventLoop() {
    QProcess P;
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    Env.insert(QStringLiteral("KESTRILO_PORTS"), QString());  // never touch this machine's ports
    P.setProcessEnvironment(Env);
    P.start(QStringLiteral(KESTRILO_EXE), {});
    QVERIFY(P.waitForStarted(60000));
    QVERIFY(!P.waitForFinished(2000));  // still in its event loop
    P.terminate();
    QVERIFY(P.waitForFinished(60000));
  }

  void screenshotToolWritesTheWindow() {
    QTemporaryDir Dir;
    const QString Out = Dir.filePath(QStringLiteral("shot.png"));
    QProcess P;
    P.start(QStringLiteral(SHOT_EXE), {Out});
    QVERIFY(P.waitForFinished(60000));
    QCOMPARE(P.exitCode(), 0);
    const QImage Shot(Out);
    QVERIFY(!Shot.isNull());
    QVERIFY(Shot.width() > 600 && Shot.width() <= 635);
    QVERIFY(Shot.height() > 240 && Shot.height() <= 270);
  }
};

QTEST_GUILESS_MAIN(EntryTest)
#include "test_entry.moc"
