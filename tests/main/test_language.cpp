// The window under a German locale: menus, list, status panels, row states and messages in
// German, for a search, an upload and a failure.
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <clocale>

#include "AudioFixtures.h"
#include "UploadHarness.h"
#include "main/Translators.h"

class LanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void SearchUploadAndFailureSpeakGerman() {
    QTemporaryDir dir;
    const QString good = dir.filePath("horn.wav"), bad = dir.filePath("broken.wav");
    fixtures::WriteWav(good, QByteArray(300, '\x40'));
    QFile junk(bad);
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("no sound") > 0);
    junk.close();

    UploadHarness h(QuickDevice());
    QCOMPARE(h.Form->File1->title(), QStringLiteral("Datei"));
    QCOMPARE(h.Form->LV->headerItem()->text(TForm1::ColInput), QStringLiteral("Eingang"));

    h.Form->Searchdevice1Click(nullptr);
    const QString port = QString::fromStdString(h.Sim.SlavePath());
    QCOMPARE(h.Form->PanelText(2), "Vorel-30415 Sound Player gefunden an " + port + " (4 MB / 95 s)");

    h.AddRow(good);
    h.Upload();
    QCOMPARE(h.Error, QString());
    QCOMPARE(h.State(0), QStringLiteral("Fertig"));
    QCOMPARE(h.Form->PanelText(2), QStringLiteral("Hochladen abgeschlossen!"));

    h.AddRow(bad);
    h.Upload();
    QCOMPARE(h.State(1), QStringLiteral("Fehlgeschlagen"));
    QCOMPARE(h.Form->PanelText(1), QStringLiteral("Umwandlung fehlgeschlagen!"));
    QVERIFY(!h.Messages.Texts.empty());
    QVERIFY2(h.Messages.Texts.back().startsWith("„" + bad + "“ lässt sich nicht umwandeln:\n"),
             qPrintable(h.Messages.Texts.back()));
  }
};

// German before Qt reads the locale: the user's locale where the machine has it, else LANGUAGE.
int main(int argc, char** argv) {
  const bool haveDe = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  qputenv("LANG", haveDe ? "de_DE.UTF-8" : "C.UTF-8");
  if (!haveDe) qputenv("LANGUAGE", "de");
  qunsetenv("LC_ALL");
  qunsetenv("LC_MESSAGES");
  QApplication App(argc, argv);
  InstallTranslators(App);
  LanguageTest Test;
  return QTest::qExec(&Test, argc, argv);
}

#include "test_language.moc"
