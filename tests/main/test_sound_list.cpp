// The sound list, driven through the window's own controls: the real open-file dialog, the
// real address prompt, real key events on LV and drops at the places of its rows.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDragMoveEvent>
#include <QInputDialog>
#include <QMimeData>
#include <QScopeGuard>
#include <QTest>

#include "main/SoundListView.h"
#include "sound_list_fixture.h"

namespace {

// Five rows, as five added files: addresses 1 to 5, distinct states.
void FiveRows(TForm1& Form) {
  const char* Codes[] = {"0", "1", "2", "3", "4"};
  for (int i = 0; i < 5; ++i) {
    Form.AppendSoundRow(QStringLiteral("/sounds/s%1.wav").arg(i + 1));
    Form.LV->topLevelItem(i)->setText(TForm1::ColStateCode, QString::fromLatin1(Codes[i]));
  }
  Form.RefreshList();
}

QPoint RowPoint(TForm1& Form, int Row) {
  return Form.LV->visualItemRect(Form.LV->topLevelItem(Row - 1)).center();
}

QStringList Files(const TForm1& Form) {
  QStringList Result;
  for (const QString& F : Column(Form, TForm1::ColFilename)) Result << QFileInfo(F).baseName();
  return Result;
}

// Fails the test if a modal dialog opens within the span; closes it so the test goes on.
struct NoDialogExpected {
  bool Opened = false;
  NoDialogExpected() {
    QTimer::singleShot(1500, qApp, [this] {
      if (auto* D = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        Opened = true;
        D->reject();
      }
    });
  }
};

}  // namespace

class SoundListTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo")); }
  void cleanup() { QCOMPARE(ModalDriver::Misses(), 0); }

  void addingThreeFilesNumbersThemAndShowsIdle() {
    SoundFolder Folder({"a.wav", "b.mp3", "c.WAV"});
    TForm1 Form;
    Form.show();
    ChooseInNextFileDialog(Folder.Dir.path(), {"a.wav", "b.mp3", "c.WAV"});
    Form.btnAdd->click();
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "2", "3"}));
    QCOMPARE(Column(Form, TForm1::ColFilename),
             QStringList({Folder.Path("a.wav"), Folder.Path("b.mp3"), Folder.Path("c.WAV")}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2", "3"}));
    QCOMPARE(Column(Form, TForm1::ColState), QStringList({"Idle", "Idle", "Idle"}));
    QCOMPARE(Column(Form, TForm1::ColStateCode), QStringList({"0", "0", "0"}));

    // The same file again is one more row with the same path.
    ChooseInNextFileDialog(Folder.Dir.path(), {"a.wav"});
    Form.Addfile1->trigger();
    QCOMPARE(Column(Form, TForm1::ColFilename).count(Folder.Path("a.wav")), 2);
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2", "3", "4"}));
  }

  void cancellingTheDialogChangesNothing() {
    TForm1 Form;
    Form.show();
    Form.AppendSoundRow(QStringLiteral("/x/one.wav"));
    Form.LV->topLevelItem(0)->setText(TForm1::ColInput, QStringLiteral("7"));
    bool Shown = false;
    CancelNextFileDialog(&Shown);
    Form.Addfile2->trigger();  // the context menu's entry
    QVERIFY(Shown);
    QCOMPARE(Form.LV->topLevelItemCount(), 1);
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"7"}));  // no refresh either
    QCOMPARE(Column(Form, TForm1::ColState), QStringList({""}));
  }

  void dialogMatchesPatternsWhateverTheCase() {
    SoundFolder Folder({"A.WAV", "b.Mp3", "c.mpeg", "d.DAT", "e.dat", "notes.txt", "f.wave"});
    TForm1 Form;
    Form.show();
    QStringList Audio, Data;
    ModalDriver::When<QFileDialog>([&](QFileDialog* D) {
      // Closed however the checks below end, so a failure cannot leave the test hanging.
      auto Close = qScopeGuard([D] { D->reject(); });
      D->setDirectory(Folder.Dir.path());
      auto Visible = [D] { return VisibleNames(D); };
      QTRY_VERIFY_WITH_TIMEOUT(Visible().size() == 3, 20000);
      Audio = Visible();
      D->selectNameFilter(D->nameFilters().at(1));
      QTRY_VERIFY_WITH_TIMEOUT(Visible().size() == 2, 20000);
      Data = Visible();
    });
    Form.btnAdd->click();
    QCOMPARE(Audio, QStringList({"A.WAV", "b.Mp3", "c.mpeg"}));
    QCOMPARE(Data, QStringList({"d.DAT", "e.dat"}));
    QCOMPARE(Form.LV->topLevelItemCount(), 0);
  }

  void deletingLeavesGapsUntilTheNextAdd() {
    SoundFolder Folder({"a.wav", "b.wav", "c.wav", "d.wav"});
    TForm1 Form;
    Form.show();
    ChooseInNextFileDialog(Folder.Dir.path(), {"a.wav", "b.wav", "c.wav"});
    Form.btnAdd->click();
    Select(Form, {2});
    Form.btnRemove->click();
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "3"}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "3"}));

    // The new row's caption and address are the row count after appending: 3.
    ChooseInNextFileDialog(Folder.Dir.path(), {"d.wav"});
    Form.btnAdd->click();
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "2", "3"}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "3", "3"}));
    QCOMPARE(Column(Form, TForm1::ColFilename),
             QStringList({Folder.Path("a.wav"), Folder.Path("c.wav"), Folder.Path("d.wav")}));
  }

  void deleteKeyWithAnyModifierDeletesTheSelection() {
    const Qt::KeyboardModifiers Mods[] = {Qt::NoModifier, Qt::ShiftModifier,
                                          Qt::ControlModifier, Qt::AltModifier};
    for (Qt::KeyboardModifiers M : Mods) {
      TForm1 Form;
      Form.show();
      FiveRows(Form);
      Form.LV->setFocus();
      Select(Form, {1, 3, 4});
      QTest::keyClick(Form.LV, Qt::Key_Delete, M);
      QCOMPARE(Files(Form), QStringList({"s2", "s5"}));
      QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"2", "5"}));
    }
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Select(Form, {2});
    QTest::keyClick(Form.LV, Qt::Key_Backspace);
    QTest::keyClick(Form.LV, Qt::Key_D);
    QCOMPARE(Form.LV->topLevelItemCount(), 5);
    Form.LV->clearSelection();
    QTest::keyClick(Form.LV, Qt::Key_Delete);
    QCOMPARE(Form.LV->topLevelItemCount(), 5);
  }

  void menuEntriesDeleteAndClear() {
    TForm1 Form;
    Form.show();
    Form.Clearlist1->trigger();  // empty list: nothing to do
    QCOMPARE(Form.LV->topLevelItemCount(), 0);
    FiveRows(Form);
    Form.Deletefile2->trigger();  // nothing selected
    QCOMPARE(Form.LV->topLevelItemCount(), 5);
    Select(Form, {5});
    Form.Deletefile2->trigger();
    Select(Form, {1});
    Form.Deletefile1->trigger();  // the context menu's entry
    QCOMPARE(Files(Form), QStringList({"s2", "s3", "s4"}));
    Form.Clearlist1->trigger();
    QCOMPARE(Form.LV->topLevelItemCount(), 0);
  }

  void droppingRowsFourAndFiveOnRowTwo() {
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Select(Form, {5, 4});
    Form.LVDragDrop(Form.LV, Form.LV, RowPoint(Form, 2));
    QCOMPARE(Files(Form), QStringList({"s1", "s4", "s5", "s2", "s3"}));
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "4", "5", "2", "3"}));
    QCOMPARE(Column(Form, TForm1::ColStateCode), QStringList({"0", "3", "4", "1", "2"}));
    QCOMPARE(Column(Form, TForm1::ColState),
             QStringList({"Idle", "Uploading", "Done", "Encoding...", "Encoded"}));
    QCOMPARE(SelectedRows(Form), QStringList());
  }

  void droppingBelowTheLastRowMovesToTheEnd() {
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Select(Form, {3, 1});
    const QRect Last = Form.LV->visualItemRect(Form.LV->topLevelItem(4));
    const QPoint Below(Last.center().x(), Last.bottom() + 10);
    QVERIFY(Form.LV->viewport()->rect().contains(Below));
    QCOMPARE(Form.LV->itemAt(Below), nullptr);
    Form.LVDragDrop(Form.LV, Form.LV, Below);
    QCOMPARE(Files(Form), QStringList({"s2", "s4", "s5", "s1", "s3"}));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"2", "4", "5", "1", "3"}));
  }

  void droppingOnSelectedRows() {
    // On the last selected row: the group stands just before where that row was.
    {
      TForm1 Form;
      Form.show();
      FiveRows(Form);
      Select(Form, {2, 3});
      Form.LVDragDrop(Form.LV, Form.LV, RowPoint(Form, 3));
      QCOMPARE(Files(Form), QStringList({"s1", "s2", "s3", "s4", "s5"}));
    }
    {
      TForm1 Form;
      Form.show();
      FiveRows(Form);
      Select(Form, {2, 4});
      Form.LVDragDrop(Form.LV, Form.LV, RowPoint(Form, 4));
      QCOMPARE(Files(Form), QStringList({"s1", "s3", "s2", "s4", "s5"}));
    }
    // On a selected row followed by more selected rows: still one group, in order, there.
    {
      TForm1 Form;
      Form.show();
      FiveRows(Form);
      Select(Form, {2, 3, 5});
      Form.LVDragDrop(Form.LV, Form.LV, RowPoint(Form, 2));
      QCOMPARE(Files(Form), QStringList({"s1", "s2", "s3", "s5", "s4"}));
      QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2", "3", "5", "4"}));
    }
    {
      TForm1 Form;
      Form.show();
      FiveRows(Form);
      Select(Form, {4, 5});
      Form.LVDragDrop(Form.LV, Form.LV, RowPoint(Form, 4));
      QCOMPARE(Files(Form), QStringList({"s1", "s2", "s3", "s4", "s5"}));
    }
  }

  void dropFromElsewhereOnlyRenumbers() {
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Select(Form, {2});
    Form.Deletefile2Click(Form.btnRemove);
    Select(Form, {3});
    Form.LVDragDrop(Form.LV, nullptr, RowPoint(Form, 1));
    QCOMPARE(Files(Form), QStringList({"s1", "s3", "s4", "s5"}));
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "2", "3", "4"}));
  }

  void dragOverMarksTheRowAndADropArrives() {
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    FiveRows(Form);
    auto* View = static_cast<TSoundListView*>(Form.LV);
    QMimeData Mime;
    Mime.setData(QStringLiteral("application/x-qabstractitemmodeldatalist"), QByteArray());
    const QPoint P = RowPoint(Form, 3);
    QDragEnterEvent Enter(P, Qt::MoveAction, &Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View->viewport(), &Enter);
    QVERIFY(Enter.isAccepted());
    QDragMoveEvent Move(P, Qt::MoveAction, &Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View->viewport(), &Move);
    QVERIFY(Move.isAccepted());
    QCOMPARE(View->DropTarget(), Form.LV->topLevelItem(2));

    // A drop that did not start in the list (no drag source here) moves nothing.
    Select(Form, {5});
    Form.LV->topLevelItem(0)->setText(TForm1::ColInput, QStringLiteral("9"));
    QDropEvent Drop(QPointF(P), Qt::MoveAction, &Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View->viewport(), &Drop);
    QCOMPARE(View->DropTarget(), nullptr);
    QCOMPARE(Files(Form), QStringList({"s1", "s2", "s3", "s4", "s5"}));
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "2", "3", "4", "5"}));

    // While an upload runs no drag is accepted.
    Form.UploadRunning = true;
    QDragMoveEvent Refused(P, Qt::MoveAction, &Mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(View->viewport(), &Refused);
    QVERIFY(!Refused.isAccepted());
    QCOMPARE(View->DropTarget(), nullptr);
  }

  void changeAddressEditsTheFirstSelectedRowOnly() {
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Form.LV->topLevelItem(0)->setText(TForm1::ColInput, QStringLiteral("8"));
    Select(Form, {4, 2});  // clicked in that order; list order decides
    QString Title, Label, Shown;
    ModalDriver::When<QInputDialog>([&](QInputDialog* D) {
      Title = D->windowTitle();
      Label = D->labelText();
      Shown = D->textValue();
      D->setTextValue(QStringLiteral("2040"));
      D->accept();
    });
    Form.Changedigitaladdress1->trigger();
    QCOMPARE(Title, QStringLiteral("Digital address"));
    QCOMPARE(Label, QStringLiteral("Please type digital address [1-2040]"));
    QCOMPARE(Shown, QStringLiteral("2"));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2040", "3", "4", "5"}));
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"8", "2", "3", "4", "5"}));
    QCOMPARE(SelectedRows(Form), QStringList({"2", "4"}));

    // Cancel keeps the address, whatever was typed.
    ModalDriver::When<QInputDialog>([&](QInputDialog* D) {
      Shown = D->textValue();
      D->setTextValue(QStringLiteral("5"));
      D->reject();
    });
    Form.Changedigitaladdress1->trigger();
    QCOMPARE(Shown, QStringLiteral("2040"));
    QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2040", "3", "4", "5"}));

    ModalDriver::When<QInputDialog>([&](QInputDialog* D) {
      D->setTextValue(QStringLiteral(" 1 "));
      D->accept();
    });
    Form.Changedigitaladdress1->trigger();
    QCOMPARE(Form.LV->topLevelItem(1)->text(TForm1::ColAddress), QStringLiteral("1"));
    ModalDriver::When<QInputDialog>([&](QInputDialog* D) {
      D->setTextValue(QStringLiteral("0040"));
      D->accept();
    });
    Form.Changedigitaladdress1->trigger();
    QCOMPARE(Form.LV->topLevelItem(1)->text(TForm1::ColAddress), QStringLiteral("40"));
  }

  void addressOutsideTheRangeIsRefused() {
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Select(Form, {3});
    for (const char* Typed : {"0", "2041", "abc", "", "-5", "+5", "12x", "1.5", "99999999999", "0x10"}) {
      MessageBoxSeen Seen;
      ModalDriver::When<QInputDialog>([&](QInputDialog* D) {
        D->setTextValue(QString::fromLatin1(Typed));
        AcceptNextMessageBox(Seen);
        D->accept();
      });
      Form.Changedigitaladdress1->trigger();
      QVERIFY2(Seen.Shown, Typed);
      QCOMPARE(Seen.Text, QStringLiteral("The digital address must be a whole number from 1 to 2040."));
      QCOMPARE(Seen.Title, QStringLiteral("Kestrilo"));
      QCOMPARE(Seen.Icon, QMessageBox::NoIcon);
      QCOMPARE(Seen.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
      QCOMPARE(Column(Form, TForm1::ColAddress), QStringList({"1", "2", "3", "4", "5"}));
    }
  }

  void changeAddressWithoutSelectionShowsNoPrompt() {
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Form.LV->clearSelection();
    NoDialogExpected Guard;
    Form.Changedigitaladdress1->trigger();
    QTest::qWait(1700);
    QVERIFY(!Guard.Opened);
  }

  void listCommandsDoNothingWhileAnUploadRuns() {
    TForm1 Form;
    Form.show();
    FiveRows(Form);
    Form.LV->topLevelItem(0)->setText(TForm1::ColInput, QStringLiteral("9"));
    Form.UploadRunning = true;
    NoDialogExpected Guard;
    Select(Form, {2, 3});
    Form.Addfile1->trigger();
    Form.Addfile2->trigger();
    Form.Deletefile2->trigger();
    Form.Deletefile1->trigger();
    QTest::keyClick(Form.LV, Qt::Key_Delete);
    Form.Changedigitaladdress1->trigger();
    Form.LVDragDrop(Form.LV, Form.LV, RowPoint(Form, 1));
    Form.Clearlist1->trigger();
    QTest::qWait(1700);
    QVERIFY(!Guard.Opened);
    QCOMPARE(Files(Form), QStringList({"s1", "s2", "s3", "s4", "s5"}));
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"9", "2", "3", "4", "5"}));
    // The upload itself still refreshes the list.
    Form.RefreshList();
    QCOMPARE(Column(Form, TForm1::ColInput), QStringList({"1", "2", "3", "4", "5"}));
  }

  void refreshShowsKnownStatesOnly() {
    TForm1 Form;
    FiveRows(Form);
    Form.LV->topLevelItem(0)->setText(TForm1::ColStateCode, QStringLiteral("x"));
    Form.LV->topLevelItem(1)->setText(TForm1::ColStateCode, QStringLiteral("7"));
    Form.LV->topLevelItem(2)->setText(TForm1::ColStateCode, QStringLiteral("-1"));
    Form.LV->topLevelItem(3)->setText(TForm1::ColStateCode, QString());
    Form.RefreshList();
    QCOMPARE(Column(Form, TForm1::ColState),
             QStringList({"Idle", "Encoding...", "Encoded", "Idle", "Done"}));
  }
};

QTEST_MAIN(SoundListTest)
#include "test_sound_list.moc"
