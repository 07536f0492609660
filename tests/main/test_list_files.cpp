// List files, file drops, the open dialog's added entries, lengths and the memory gauge,
// driven through the window's own menus, dialogs and drop events.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include "AudioFixtures.h"
#include "main/MemoryGauge.h"
#include "sound_list_fixture.h"

namespace {

QString Name(const QString& Path) { return QFileInfo(Path).fileName(); }

QStringList Names(const TForm1& Form) {
  QStringList Result;
  for (const QString& F : Column(Form, TForm1::ColFilename)) Result << Name(F);
  return Result;
}

// Names the next save or open dialog is given, then accepts it.
void AnswerNextListDialog(const QString& FileName) {
  ModalDriver::When<QFileDialog>([FileName](QFileDialog* D) {
    D->selectFile(FileName);
    static_cast<QDialog*>(D)->accept();
  });
}

void AnswerNextQuestion(QMessageBox::StandardButton Button, QString* Text = nullptr) {
  ModalDriver::When<QMessageBox>([Button, Text](QMessageBox* Box) {
    if (Text) *Text = Box->text();
    Box->button(Button)->click();
  });
}

// One second of sound is 44100 samples.
void WriteSamples(const QString& Path, int Count) { fixtures::WriteWav(Path, QByteArray(Count, char(0x80))); }

}  // namespace

class ListFilesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Kestrilo"), QStringLiteral("Kestrilo")).clear();
    QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  }
  void cleanup() { QCOMPARE(ModalDriver::Misses(), 0); }

  void savedListOpensAgainAfterItsFolderMoved() {
    QTemporaryDir Top;
    QDir(Top.path()).mkpath(QStringLiteral("horns"));
    const QString Set = Top.filePath(QStringLiteral("horns"));
    for (const char* N : {"long.wav", "short.wav", "bell.wav"}) WriteSamples(Set + u'/' + QLatin1String(N), 100);
    QString List;
    {
      TForm1 Form;
      Form.show();
      Form.AddSoundPaths({Set + "/long.wav", Set + "/short.wav", Set + "/bell.wav"});
      Form.LV->topLevelItem(1)->setText(TForm1::ColAddress, QStringLiteral("40"));
      Form.UpdateListViews();
      QCOMPARE(Form.windowTitle(), QStringLiteral("Kestrilo"));
      AnswerNextListDialog(Set + "/horns");  // the dialog adds the extension
      Form.Savelist1->trigger();
      List = Form.ListFileName;
      QCOMPARE(List, Set + "/horns.kestrilo");
      QCOMPARE(Form.windowTitle(), QStringLiteral("horns.kestrilo - Kestrilo"));
      Form.LV->topLevelItem(2)->setText(TForm1::ColAddress, QStringLiteral("7"));
      QTRY_COMPARE(Form.windowTitle(), QStringLiteral("horns.kestrilo* - Kestrilo"));
      Form.Savelist1->trigger();  // no dialog now: the list has its name
      QCOMPARE(Form.windowTitle(), QStringLiteral("horns.kestrilo - Kestrilo"));
      QCOMPARE(Form.RecentLists().first(), List);
      QVERIFY(Form.close());
    }
    const QString Moved = Top.filePath(QStringLiteral("copy"));
    QVERIFY(QDir().rename(Set, Moved));
    TForm1 Form;
    Form.OpenStartArguments({Moved + "/horns.kestrilo"});
    QCOMPARE(Column(Form, TForm1::ColFilename), QStringList({Moved + "/long.wav", Moved + "/short.wav", Moved + "/bell.wav"}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "40", "7"}));
    QCOMPARE(Column(Form, TForm1::ColState), QStringList({"Idle", "Idle", "Idle"}));
    QCOMPARE(Form.windowTitle(), QStringLiteral("horns.kestrilo - Kestrilo"));
    QCOMPARE(Form.Openrecent1->actions().first()->text(), Moved + "/horns.kestrilo");
  }

  void badListIsNamedAndLeavesTheRowsAlone() {
    SoundFolder Folder({"a.wav"});
    TForm1 Form;
    Form.show();
    Form.AddSoundPaths({Folder.Path("a.wav")});
    const QString Bad = Folder.Path("bad.kestrilo");
    const std::pair<const char*, const char*> Cases[] = {
        {"not json", "it is not JSON (error at line 1, column 2)."},
        {R"({"format": "kestrilo-sound-list", "version": 9, "sounds": []})",
         "it was saved by a newer Kestrilo (list version 9; this Kestrilo reads version 1)."},
        {R"({"format": "kestrilo-sound-list", "version": 1, "sounds": [{"path": "b.wav", "address": 3000}]})",
         "row 1 has the address 3000, outside 1-2040."}};
    for (const auto& [Text, Why] : Cases) {
      QFile F(Bad);
      QVERIFY(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
      F.write(Text);
      F.close();
      MessageBoxSeen Seen;
      AcceptNextMessageBox(Seen);
      Form.OpenStartArguments({Bad});
      QCOMPARE(Seen.Text, QStringLiteral("Cannot open the sound list \"%1\": %2").arg(Bad, QLatin1String(Why)));
      QCOMPARE(Column(Form, TForm1::ColFilename), QStringList({Folder.Path("a.wav")}));
      QCOMPARE(Form.ListFileName, QString());
    }
  }

  void missingSoundOpensAsMissingRow() {
    SoundFolder Folder({"here.wav"});
    QFile F(Folder.Path("l.kestrilo"));
    QVERIFY(F.open(QIODevice::WriteOnly));
    F.write(R"({"format": "kestrilo-sound-list", "version": 1,
               "sounds": [{"path": "gone.wav", "address": 5}, {"path": "here.wav", "address": 6}]})");
    F.close();
    TForm1 Form;
    Form.OpenListFile(F.fileName());
    Form.RefreshList();
    QCOMPARE(Column(Form, TForm1::ColState), QStringList({"Missing", "Idle"}));
    QCOMPARE(Form.MissingSounds(), QStringList({Folder.Path("gone.wav")}));
    QVERIFY(!Form.ListModified());
  }

  void unsavedChangesAskSaveDiscardOrCancel() {
    SoundFolder Folder({"a.wav", "b.wav"});
    TForm1 Other;
    Other.AddSoundPaths({Folder.Path("b.wav")});
    QVERIFY(Other.SaveListFile(Folder.Path("other.kestrilo")));
    TForm1 Form;
    Form.show();
    Form.AddSoundPaths({Folder.Path("a.wav")});
    QString Asked;
    AnswerNextQuestion(QMessageBox::Cancel, &Asked);
    QVERIFY(!Form.close());
    QCOMPARE(Asked, QStringLiteral("The sound list has unsaved changes."));
    QVERIFY(Form.isVisible());

    // Opening another list: Save writes the rows first, under a name asked for.
    AnswerNextQuestion(QMessageBox::Save);
    AnswerNextListDialog(Folder.Path("first.kestrilo"));
    Form.OpenListFile(Folder.Path("other.kestrilo"));
    QCOMPARE(Names(Form), QStringList({"b.wav"}));
    Form.OpenListFile(Folder.Path("first.kestrilo"));  // nothing changed: no question
    QCOMPARE(Names(Form), QStringList({"a.wav"}));

    Form.Clearlist1->trigger();
    AnswerNextQuestion(QMessageBox::Discard, &Asked);
    QVERIFY(Form.close());
    QCOMPARE(Asked, QStringLiteral("The sound list \"first.kestrilo\" has unsaved changes."));
  }

  void droppedFilesAndFoldersAreAppended() {
    SoundFolder Folder({"z.wav"});
    QDir(Folder.Dir.path()).mkpath(QStringLiteral("set/sub.wav"));  // a folder, whatever its name
    for (const char* N : {"set/b.MP3", "set/A.flac", "set/c.ogg", "set/notes.txt", "set/sub.wav/d.wav"})
      QFile(Folder.Path(QLatin1String(N))).open(QIODevice::WriteOnly);
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    Form.AddSoundPaths({Folder.Path("z.wav")});
    QMimeData Mime;
    Mime.setUrls({QUrl::fromLocalFile(Folder.Path("set")), QUrl::fromLocalFile(Folder.Path("z.wav"))});
    const QPoint P = Form.LV->visualItemRect(Form.LV->topLevelItem(0)).center();
    QDragEnterEvent Enter(P, Qt::CopyAction | Qt::MoveAction, &Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form.LV->viewport(), &Enter);
    QVERIFY(Enter.isAccepted());
    QCOMPARE(Enter.dropAction(), Qt::CopyAction);  // the file manager keeps its files
    QDropEvent Drop(QPointF(P), Qt::CopyAction | Qt::MoveAction, &Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form.LV->viewport(), &Drop);
    QCOMPARE(Drop.dropAction(), Qt::CopyAction);
    QCOMPARE(Names(Form), QStringList({"z.wav", "A.flac", "b.MP3", "c.ogg", "z.wav"}));
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(Column(Form, TForm1::ColState), QStringList({"Idle", "Idle", "Idle", "Idle", "Idle"}));
  }

  void openDialogEntriesAndTypedHiddenNames() {
    SoundFolder Folder({"a.WAV", "b.Mp3", "c.ogg", "d.FLAC", "e.m4a", "f.Opus", "g.dat", "notes.txt"});
    TForm1 Form;
    Form.show();
    QList<QStringList> Shown;
    ModalDriver::When<QFileDialog>([&](QFileDialog* D) {
      auto Close = qScopeGuard([D] { D->reject(); });
      D->setDirectory(Folder.Dir.path());
      auto Visible = [D] { return VisibleNames(D); };
      for (int Entry : {2, 3}) {
        D->selectNameFilter(D->nameFilters().at(Entry));
        const int Expected = Entry == 2 ? 6 : 8;
        QTRY_VERIFY_WITH_TIMEOUT(Visible().size() == Expected, 20000);
        Shown << Visible();
      }
    });
    Form.btnAdd->click();
    QCOMPARE(Shown.size(), 2);
    QCOMPARE(Shown[0], QStringList({"a.WAV", "b.Mp3", "c.ogg", "d.FLAC", "e.m4a", "f.Opus"}));
    QCOMPARE(Shown[1].size(), 8);

    // Typed together, a name the filter hides is added with the shown one, in typed order.
    ChooseInNextFileDialog(Folder.Dir.path(), {"notes.txt", "a.WAV"});
    Form.btnAdd->click();
    QCOMPARE(Column(Form, TForm1::ColFilename), QStringList({Folder.Path("notes.txt"), Folder.Path("a.WAV")}));
  }

  void gaugeFollowsLengthsAndTheDeviceMemory() {
    SoundFolder Folder({});
    WriteSamples(Folder.Path("one.wav"), 44100);
    WriteSamples(Folder.Path("half.wav"), 22050);
    TForm1 Form;
    Form.show();
    Form.AddSoundPaths({Folder.Path("one.wav"), Folder.Path("half.wav")});
    QTRY_COMPARE_WITH_TIMEOUT(Column(Form, TForm1::ColLength), QStringList({"1.0", "0.5"}), 30000);
    Form.UpdateListViews();
    TMemoryGauge* Gauge = Form.MemoryGauge;
    QVERIFY(Gauge->isVisible());
    QCOMPARE(Gauge->TopLine(), QStringLiteral("1.5 s"));
    QCOMPARE(Gauge->BottomLine(), QStringLiteral("no device yet"));

    // A device of 2 s (plus the margin the upload keeps free).
    Form.Device.Status = 56;
    Form.Device.Capacity = 2 * 44100 + 128;
    Form.UpdateListViews();
    QCOMPARE(Form.MemoryUse().NeededBytes, 66150);
    QVERIFY(Form.MemoryUse().Fits());
    QCOMPARE(Gauge->TopLine(), QStringLiteral("1.5 of 2.0 s"));
    QCOMPARE(Gauge->BottomLine(), QStringLiteral("0.5 s left"));

    Form.AddSoundPaths({Folder.Path("one.wav")});
    QTRY_COMPARE_WITH_TIMEOUT(Gauge->BottomLine(), QStringLiteral("0.5 s too long"), 30000);
    QVERIFY(!Form.MemoryUse().Fits());
    QCOMPARE(Form.MemoryRefusalDetail(), QStringLiteral("The sounds need 2.5 s (0.1 MB); the device holds 2.0 s (0.1 MB)."));
    Select(Form, {1});
    Form.btnRemove->click();
    QTRY_COMPARE(Gauge->TopLine(), QStringLiteral("1.5 of 2.0 s"));
  }

  void sameAddressTwiceIsMarked() {
    TForm1 Form;
    for (const char* F : {"/x/a.wav", "/x/b.wav", "/x/c.wav"}) Form.AppendSoundRow(QString::fromLatin1(F));
    Form.LV->topLevelItem(2)->setText(TForm1::ColAddress, QStringLiteral("1"));
    Form.UpdateListViews();
    QCOMPARE(Form.DuplicateAddresses(), QStringList({"1"}));
    auto Marked = [&Form](int Row) { return Form.LV->topLevelItem(Row)->font(TForm1::ColAddress).bold(); };
    QVERIFY(Marked(0) && !Marked(1) && Marked(2));
    Form.LV->topLevelItem(2)->setText(TForm1::ColAddress, QStringLiteral("3"));
    QTRY_VERIFY(!Marked(0) && !Marked(2));
  }
};

QTEST_MAIN(ListFilesTest)
#include "test_list_files.moc"
