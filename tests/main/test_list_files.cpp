// List files, file drops, the open dialog's added entries, lengths and the memory gauge,
// driven through the window's own menus, dialogs and drop events; what the window checks
// before an upload and shows during it.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

#include "AudioFixtures.h"
#include "sound_list_fixture.h"  // before the harness, which needs QTreeWidget
#include "UploadHarness.h"
#include "engine_seam.h"
#include "main/MemoryGauge.h"

namespace {

QStringList Names(const TForm1& Form) {
  QStringList Result;
  for (const QString& F : Column(Form, TForm1::ColFilename)) Result << QFileInfo(F).fileName();
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

bool Erased(const devsim::Simulator& Sim) { return std::ranges::count(Sim.Log(), "C") > 0; }

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

  // As a new user would: save, quit, start with the list (its folder moved meanwhile), upload.
  void savedListOpensAgainAfterItsFolderMovedAndUploads() {
    QTemporaryDir Top;
    QDir(Top.path()).mkpath(QStringLiteral("horns"));
    const QString Set = Top.filePath(QStringLiteral("horns"));
    const QStringList Files = {"long.wav", "short.mp3", "bell 2.wav"};
    for (int i = 0; i < 3; ++i) fixtures::MakeTone(Set + u'/' + Files[i], 0.05 * (i + 1), 300 * (i + 1));
    {
      TForm1 Form;
      Form.show();
      Form.AddSoundPaths({Set + u'/' + Files[0], Set + u'/' + Files[1], Set + u'/' + Files[2]});
      Form.LV->topLevelItem(1)->setText(TForm1::ColAddress, QStringLiteral("2040"));
      Form.UpdateListViews();
      QCOMPARE(Form.windowTitle(), QStringLiteral("Kestrilo"));
      AnswerNextListDialog(Set + "/horns");  // the dialog adds the extension
      Form.Savelist1->trigger();
      QCOMPARE(Form.ListFileName, Set + "/horns.kestrilo");
      QCOMPARE(Form.windowTitle(), QStringLiteral("horns.kestrilo - Kestrilo"));
      Form.LV->topLevelItem(2)->setText(TForm1::ColAddress, QStringLiteral("7"));
      QTRY_COMPARE(Form.windowTitle(), QStringLiteral("horns.kestrilo* - Kestrilo"));
      Form.Savelist1->trigger();  // no dialog now: the list has its name
      QCOMPARE(Form.windowTitle(), QStringLiteral("horns.kestrilo - Kestrilo"));
      QCOMPARE(Form.RecentLists().first(), Form.ListFileName);
      QVERIFY(Form.close());
    }
    const QString Moved = Top.filePath(QStringLiteral("copy"));
    QVERIFY(QDir().rename(Set, Moved));
    UploadHarness H(QuickDevice());
    H.Form->OpenStartArguments({Moved + "/horns.kestrilo"});
    QCOMPARE(Column(*H.Form, TForm1::ColFilename), QStringList({Moved + "/long.wav", Moved + "/short.mp3", Moved + "/bell 2.wav"}));
    QCOMPARE(Column(*H.Form, TForm1::ColAddress), QStringList({"1", "2040", "7"}));
    QCOMPARE(H.Form->Openrecent1->actions().first()->text(), Moved + "/horns.kestrilo");
    H.Upload();
    QCOMPARE(H.Error, QString());
    QVERIFY(H.Sim.WaitIdle(30s));
    const auto Sounds = H.Sim.Sounds();
    QCOMPARE(Sounds.size(), size_t(3));
    for (int i = 0; i < 3; ++i) {
      const QByteArray Expected = fixtures::NoZeros(fixtures::RawSamples(Moved + u'/' + Files[i]));
      QVERIFY2(Sounds[i] == std::vector<uint8_t>(Expected.begin(), Expected.end()), qPrintable(Files[i]));
    }
    QCOMPARE(H.Sim.Addresses(), (std::vector<devsim::AddressCommand>{{1, 1}, {2, 2040}, {3, 7}}));
    QVERIFY(!H.Form->ListModified());  // the upload's states are not changes of the list
  }

  void badListLeavesTheRowsAloneAndMissingSoundsShow() {
    SoundFolder Folder({"here.wav", "gone.wav", "bad.kestrilo"});  // empty: not JSON
    TForm1 Form;
    Form.show();
    Form.AddSoundPaths({Folder.Path("gone.wav"), Folder.Path("here.wav")});
    QVERIFY(Form.SaveListFile(Folder.Path("l.kestrilo")));
    MessageBoxSeen Seen;
    AcceptNextMessageBox(Seen);
    Form.OpenStartArguments({Folder.Path("bad.kestrilo")});
    QCOMPARE(Seen.Text, QStringLiteral("Cannot open the sound list \"%1\": it is not JSON (error at line 1, column 1).")
                            .arg(Folder.Path("bad.kestrilo")));
    QCOMPARE(Names(Form), QStringList({"gone.wav", "here.wav"}));
    QCOMPARE(Form.ListFileName, Folder.Path("l.kestrilo"));

    QVERIFY(QFile::remove(Folder.Path("gone.wav")));
    Form.OpenListFile(Folder.Path("l.kestrilo"));
    Form.RefreshList();
    QCOMPARE(Column(Form, TForm1::ColState), QStringList({"Missing", "Idle"}));
    QCOMPARE(Form.MissingSounds(), QStringList({Folder.Path("gone.wav")}));
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
    QCOMPARE(Enter.dropAction(), Qt::CopyAction);  // the file manager keeps its files
    QDropEvent Drop(QPointF(P), Qt::CopyAction | Qt::MoveAction, &Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form.LV->viewport(), &Drop);
    QCOMPARE(Drop.dropAction(), Qt::CopyAction);
    QCOMPARE(Names(Form), QStringList({"z.wav", "A.flac", "b.MP3", "c.ogg", "z.wav"}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2", "3", "4", "5"}));
  }

  void openDialogEntriesAndTypedHiddenNames() {
    SoundFolder Folder({"a.WAV", "b.Mp3", "c.ogg", "d.FLAC", "e.m4a", "f.Opus", "g.dat", "notes.txt"});
    TForm1 Form;
    Form.show();
    QList<QStringList> Shown;
    ModalDriver::When<QFileDialog>([&](QFileDialog* D) {
      auto Close = qScopeGuard([D] { D->reject(); });
      D->setDirectory(Folder.Dir.path());
      for (int Entry : {2, 3}) {
        D->selectNameFilter(D->nameFilters().at(Entry));
        QTRY_VERIFY_WITH_TIMEOUT(VisibleNames(D).size() == Entry * 2 + 2, 20000);  // 6, then all 8
        Shown << VisibleNames(D);
      }
    });
    Form.btnAdd->click();
    QCOMPARE(Shown, QList<QStringList>({{"a.WAV", "b.Mp3", "c.ogg", "d.FLAC", "e.m4a", "f.Opus"},
                                        {"a.WAV", "b.Mp3", "c.ogg", "d.FLAC", "e.m4a", "f.Opus", "g.dat", "notes.txt"}}));

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
    QVERIFY(Gauge->isVisible());  // no hovering needed
    QCOMPARE(Gauge->TopLine(), QStringLiteral("1.5 s"));
    QCOMPARE(Gauge->BottomLine(), QStringLiteral("no device yet"));

    // A device of 2 s (plus the margin the upload keeps free).
    TEngineSeam::Device(*Form.Engine).Status = 56;
    TEngineSeam::Device(*Form.Engine).Capacity = 2 * 44100 + 128;
    Form.UpdateListViews();
    QCOMPARE(Form.MemoryUse().NeededBytes, 66150);
    QCOMPARE(Gauge->TopLine(), QStringLiteral("1.5 of 2.0 s"));
    QCOMPARE(Gauge->BottomLine(), QStringLiteral("0.5 s left"));

    Form.AddSoundPaths({Folder.Path("one.wav")});
    QTRY_COMPARE_WITH_TIMEOUT(Gauge->BottomLine(), QStringLiteral("0.5 s too long"), 30000);
    QVERIFY(!Form.MemoryUse().Fits());
    Select(Form, {1});
    Form.btnRemove->click();
    QTRY_COMPARE(Gauge->TopLine(), QStringLiteral("1.5 of 2.0 s"));

    // Rows with one digital address are marked while they share it.
    auto Marked = [&Form](int Row) { return Form.LV->topLevelItem(Row)->font(TForm1::ColAddress).bold(); };
    Form.LV->topLevelItem(0)->setText(TForm1::ColAddress, QStringLiteral("3"));
    QTRY_VERIFY(Marked(0) && Marked(1));
    QCOMPARE(Form.DuplicateAddresses(), QStringList({"3"}));
    Form.LV->topLevelItem(0)->setText(TForm1::ColAddress, QStringLiteral("1"));
    QTRY_VERIFY(!Marked(0) && !Marked(1));
    // Compared as the list shows them: "03" is not "3", two rows reading "x" share "x".
    Form.LV->topLevelItem(0)->setText(TForm1::ColAddress, QStringLiteral("03"));
    QCOMPARE(Form.DuplicateAddresses(), QStringList());
    Form.LV->topLevelItem(0)->setText(TForm1::ColAddress, QStringLiteral("x"));
    Form.LV->topLevelItem(1)->setText(TForm1::ColAddress, QStringLiteral(" x"));
    QCOMPARE(Form.DuplicateAddresses(), QStringList({"x"}));
  }

  void refusalsComeBeforeTheErase() {
    devsim::Options Small = QuickDevice();
    Small.capacity_units = 1;  // 130944 bytes usable: 3.0 s
    UploadHarness H(Small);
    QTemporaryDir Dir, Bin;
    const QString Two = Dir.filePath("two.wav");
    fixtures::MakeTone(Two, 2.0);
    QVERIFY(QFile::link(QStandardPaths::findExecutable("ffmpeg"), Bin.filePath("ffmpeg")));  // not ffprobe
    const auto PathAgain = qScopeGuard([Path = qgetenv("PATH")] { qputenv("PATH", Path); });
    qputenv("PATH", Bin.path().toLocal8Bit());
    H.Form->AddSoundPaths({Two, Dir.filePath("gone.wav"), Two});
    H.Upload();
    QCOMPARE(H.Messages.Texts.back(),
             "Sound files missing, nothing was sent to the device:\n" + Dir.filePath("gone.wav"));
    QVERIFY(H.Sim.Log().empty());  // not even searched
    QCOMPARE(Column(*H.Form, TForm1::ColState), QStringList({"Idle", "Missing", "Idle"}));

    // No length is known: the numbers are what the check added up.
    delete H.Form->LV->topLevelItem(1);
    H.Upload();
    QCOMPARE(H.Messages.Texts.back(), "The files total length larger than device memory!\n"
                                      "The sounds need 4.0 s (0.2 MB); the device holds 3.0 s (0.1 MB).\n"
                                      "To fit, the sounds must be 44.5 KB (1.03 s) shorter.");
    QVERIFY(H.Sim.WaitIdle(30s) && !Erased(H.Sim));
  }

  void sharedAddressIsAskedOnce() {
    UploadHarness H(QuickDevice());
    QTemporaryDir Dir;
    fixtures::MakeTone(Dir.filePath("a.wav"), 0.05);
    for (int i = 0; i < 2; ++i) H.AddRow(Dir.filePath("a.wav"), "5");
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
    Paced.line_rate = true;  // 11520 bytes/s: 1.5 s of sound take about 6 s
    UploadHarness H(Paced);
    QTemporaryDir Dir;
    fixtures::MakeTone(Dir.filePath("short.wav"), 0.02);
    fixtures::MakeTone(Dir.filePath("long.wav"), 1.5);
    for (int i = 0; i < 21; ++i) H.AddRow(Dir.filePath(i < 20 ? "short.wav" : "long.wav"));
    H.Form->show();
    QTreeWidget* LV = H.Form->LV;
    auto LastInView = [LV] { return LV->viewport()->rect().contains(LV->visualItemRect(LV->topLevelItem(20))); };
    QVERIFY(!LastInView());
    QStringList Titles;
    connect(H.Form.get(), &QWidget::windowTitleChanged, [&Titles](const QString& T) { Titles << T; });
    H.Upload();
    QVERIFY(LastInView());
    QCOMPARE(Titles.takeLast(), QStringLiteral("Kestrilo"));
    QCOMPARE(Titles.last(), QStringLiteral("Kestrilo - 100% - 0:00 left"));
    const QRegularExpression Shown(QStringLiteral("^Kestrilo - (\\d+)%( - \\d+:[0-5]\\d left)?$"));
    int Before = 0, Midway = 0;
    for (const QString& T : Titles) {
      const auto M = Shown.match(T);
      QVERIFY2(M.hasMatch() && M.captured(1).toInt() >= Before, qPrintable(T));
      Midway += (Before = M.captured(1).toInt()) < 100 && M.hasCaptured(2);
    }
    QVERIFY2(Midway > 0, qPrintable(Titles.join(u'\n')));
  }
};

QTEST_MAIN(ListFilesTest)
#include "test_list_files.moc"
