// The main window as it starts: its stored layout, its menus, the progress bar in the status
// bar, the entries that are bound to handlers, and Exit and About.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include "main/PanelStatusBar.h"
#include "main/frmMain.h"
#include "modal_driver.h"

namespace {
QStringList Captions(const QList<QAction*>& Actions) {
  QStringList Result;
  for (QAction* A : Actions) Result << (A->isSeparator() ? QStringLiteral("-") : A->text());
  return Result;
}
}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo")); }

  void windowAndToolbar() {
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    QTRY_COMPARE(Form.frameGeometry(), QRect(305, 193, 635, 270));
    QCOMPARE(Form.windowTitle(), QStringLiteral("Kestrilo"));
    QCOMPARE(Form.font().pixelSize(), 11);
    QCOMPARE(Form.LV->font().pixelSize(), 11);

    QCOMPARE(Form.Panel1->height(), 37);
    struct Expected {
      QAbstractButton* Button;
      QString Caption;
      QRect Geometry;
    } const Buttons[] = {
        {Form.btnAdd, "Add file(s)", QRect(1, 0, 104, 37)},
        {Form.btnRemove, "Remove", QRect(105, 0, 104, 37)},
        {Form.btnSearch, "Search device", QRect(225, 0, 136, 37)},
        {Form.btnUpload, "Upload to device", QRect(361, 0, 136, 37)},
    };
    for (const Expected& E : Buttons) {
      QCOMPARE(E.Button->parentWidget(), Form.Panel1);
      QCOMPARE(E.Button->text(), E.Caption);
      QCOMPARE(E.Button->geometry(), E.Geometry);
      QVERIFY(E.Button->isEnabled());
      QCOMPARE(E.Button->focusPolicy(), Qt::NoFocus);
    }

    // The list fills the space between the toolbar strip and the status bar.
    const QRect ListInWindow(Form.LV->mapTo(&Form, QPoint(0, 0)), Form.LV->size());
    const QRect PanelInWindow(Form.Panel1->mapTo(&Form, QPoint(0, 0)), Form.Panel1->size());
    QCOMPARE(PanelInWindow.top(), Form.menuBar()->geometry().bottom() + 1);
    QCOMPARE(PanelInWindow.width(), Form.width());
    QCOMPARE(ListInWindow.top(), PanelInWindow.bottom() + 1);
    QCOMPARE(ListInWindow.bottom() + 1, Form.StatusBar1->y());
    QCOMPARE(ListInWindow.width(), Form.width());
    QCOMPARE(Form.StatusBar1->height(), 19);
    QCOMPARE(Form.StatusBar1->y() + 19, Form.height());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form.LV));
  }

  void listColumns() {
    TForm1 Form;
    QTreeWidget* LV = Form.LV;
    QCOMPARE(LV->columnCount(), 7);
    const QStringList Heads = {"Input", "Filename", "Address (digital)", "State"};
    const int Widths[] = {40, 350, 80, 70};
    for (int c = 0; c < 4; ++c) {
      QCOMPARE(LV->headerItem()->text(c), Heads[c]);
      QCOMPARE(LV->columnWidth(c), Widths[c]);
      QVERIFY(!LV->isColumnHidden(c));
    }
    QVERIFY(LV->isColumnHidden(TForm1::ColStateCode));
    // "Length" follows "State" on screen: the column between them is hidden.
    QCOMPARE(LV->headerItem()->text(TForm1::ColLength), QStringLiteral("Length"));
    QVERIFY(!LV->isColumnHidden(TForm1::ColLength));
    QCOMPARE(LV->header()->visualIndex(TForm1::ColLength), 5);
    QCOMPARE(LV->headerItem()->text(TForm1::ColOptions), QStringLiteral("Options"));
    QCOMPARE(LV->header()->visualIndex(TForm1::ColOptions), 6);
    QCOMPARE(LV->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(LV->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(LV->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(LV->dragEnabled());
    QVERIFY(!LV->rootIsDecorated());
    QCOMPARE(LV->topLevelItemCount(), 0);
  }

  void statusBarAndProgressBar() {
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    auto* Bar = qobject_cast<TPanelStatusBar*>(Form.StatusBar1);
    QVERIFY(Bar);
    QCOMPARE(Bar->PanelCount(), 3);
    QCOMPARE(Bar->PanelRect(0), QRect(0, 0, 100, 19));
    QCOMPARE(Bar->PanelRect(1), QRect(100, 0, 150, 19));
    QCOMPARE(Bar->PanelRect(2).left(), 250);
    QCOMPARE(Bar->PanelRect(2).right(), Bar->width() - 1);

    QProgressBar* P = Form.ProgressBar;
    QVERIFY(P);
    QCOMPARE(P->parentWidget(), Form.StatusBar1);
    QCOMPARE(P->geometry(), QRect(1, 3, 96, 14));
    QVERIFY(Bar->PanelRect(0).contains(P->geometry()));
    QCOMPARE(P->value(), 0);
    QCOMPARE(P->minimum(), 0);
    QCOMPARE(P->maximum(), 100);
    QVERIFY(P->isVisible());

    // The panels keep their places when the window grows.
    Form.resize(900, 300);
    QTRY_COMPARE(Bar->PanelRect(2).right(), Bar->width() - 1);
    QCOMPARE(Bar->PanelRect(1), QRect(100, 0, 150, 19));

    Form.SetPanelText(1, QStringLiteral("Encoding 1/3"));
    Form.SetPanelText(2, QStringLiteral("Upload completed!"));
    QCOMPARE(Form.PanelText(1), QStringLiteral("Encoding 1/3"));
    QCOMPARE(Form.PanelText(2), QStringLiteral("Upload completed!"));
    QCOMPARE(Form.PanelText(0), QString());
  }

  void menus() {
    TForm1 Form;
    QCOMPARE(Captions(Form.menuBar()->actions()),
             QStringList({"File", "Sound test", "Device", "Help"}));
    QCOMPARE(Captions(Form.File1->actions()),
             QStringList({"Add file(s)", "Delete selected file(s)", "Clear list", "-", "Open list...",
                          "Save list", "Save list as...", "Open recent", "List sound options...",
                          "Export address table...", "-", "Exit"}));
    QCOMPARE(Form.Openlist1->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(Form.Savelist1->shortcut(), QKeySequence(QKeySequence::Save));
    QCOMPARE(Form.Savelistas1->shortcut(), QKeySequence(QKeySequence::SaveAs));
    QCOMPARE(Captions(Form.Soundtest1->actions()),
             QStringList({"Sound 1", "Sound 2", "Sound 3", "Sound 4"}));
    QCOMPARE(Captions(Form.Upload1->actions()),
             QStringList({"Start uploading", "-", "Search device", "Upload to every device", "Ports...", "Cancel upload"}));
    QCOMPARE(Form.Cancelupload1->shortcut(), QKeySequence(Qt::Key_Escape));
    QVERIFY(!Form.Cancelupload1->isEnabled());  // only while an upload runs
    QCOMPARE(Captions(Form.Help1->actions()), QStringList({"About"}));
    QCOMPARE(Captions(Form.PopupMenu1->actions()),
             QStringList({"Add file(s)", "Delete file(s)", "-", "Change digital address", "-", "Listen",
                          "Sound options..."}));
    QCOMPARE(Form.Sound01->data().toInt(), 1);
    QCOMPARE(Form.Sound21->data().toInt(), 2);
    QCOMPARE(Form.Sound31->data().toInt(), 3);
    QCOMPARE(Form.Sound41->data().toInt(), 4);
    QCOMPARE(Form.N1, Form.File1->actions()[10]);
    QCOMPARE(Form.N3, Form.Upload1->actions()[1]);
    QCOMPARE(Form.N2, Form.PopupMenu1->actions()[2]);
    QCOMPARE(Form.LV->contextMenuPolicy(), Qt::CustomContextMenu);
  }

  void openDialogSettings() {
    TForm1 Form;
    QFileDialog* OD = Form.OD;
    QVERIFY(OD->testOption(QFileDialog::DontUseNativeDialog));
    QCOMPARE(OD->fileMode(), QFileDialog::ExistingFiles);
    QCOMPARE(OD->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(OD->nameFilters().mid(0, 2),
             QStringList({"Audio files (*.wav;*.mp*;) (*.wav *.mp*)", "Data files (*.dat) (*.dat)"}));
    QCOMPARE(OD->nameFilters().size(), 4);
    QVERIFY(!(OD->filter() & QDir::CaseSensitive));
    QVERIFY(OD->isSizeGripEnabled());
    // The user sees the stored captions.
    auto* Types = OD->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(Types);
    QCOMPARE(Types->count(), 4);
    QCOMPARE(Types->itemText(0), QStringLiteral("Audio files (*.wav;*.mp*;)"));
    QCOMPARE(Types->itemText(1), QStringLiteral("Data files (*.dat)"));
    QCOMPARE(Types->itemText(2), QStringLiteral("All sound files"));
    QCOMPARE(Types->itemText(3), QStringLiteral("All files (*)"));
  }

  void contextMenuOpensOnTheList() {
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    Form.AppendSoundRow(QStringLiteral("/x/a.wav"));
    const QPoint P = Form.LV->visualItemRect(Form.LV->topLevelItem(0)).center();
    emit Form.LV->customContextMenuRequested(P);
    QTRY_VERIFY(Form.PopupMenu1->isVisible());
    Form.PopupMenu1->close();
    QCOMPARE(Form.LV->topLevelItemCount(), 1);  // opening it does nothing of its own
  }

  void exitClosesTheWindow() {
    TForm1 Form;
    Form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form));
    Form.Exit1->trigger();
    QVERIFY(!Form.isVisible());
  }

  void aboutShowsNameAndVersion() {
    TForm1 Form;
    Form.show();
    MessageBoxSeen Seen;
    AcceptNextMessageBox(Seen);
    Form.About1->trigger();
    QVERIFY(Seen.Shown);
    QCOMPARE(Seen.Title, QStringLiteral("Kestrilo"));
    QCOMPARE(Seen.Text, QStringLiteral("Kestrilo\nVersion " KESTRILO_VERSION));
    QCOMPARE(Seen.Icon, QMessageBox::NoIcon);
    QCOMPARE(Seen.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(Form.isVisible());
    QCOMPARE(ModalDriver::Misses(), 0);
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
