#include <QAbstractButton>
#include <QFileDialog>
#include <QInputDialog>
#include <QTreeWidget>

#include "lists/SoundListFile.h"
#include "main/SoundFileTypes.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

namespace {

// The first selected row in list order (the view's own selection list is in click order).
QTreeWidgetItem* FirstSelectedFrom(QTreeWidget* LV, int Start) {
  for (int i = Start; i < LV->topLevelItemCount(); ++i)
    if (LV->topLevelItem(i)->isSelected()) return LV->topLevelItem(i);
  return nullptr;
}

// A typed digital address: a whole decimal number in range; surrounding blanks are allowed.
bool ParseAddress(const QString& Text, int& Address) {
  const QString T = Text.trimmed();
  if (T.isEmpty()) return false;
  for (QChar C : T)
    if (C < u'0' || C > u'9') return false;
  bool Ok = false;
  Address = T.toInt(&Ok);
  return Ok && Address >= lists::kMinAddress && Address <= lists::kMaxAddress;
}

}  // namespace

QString TForm1::StateText(TRowState State) {
  switch (State) {
    case rsIdle: return tr("Idle");
    case rsEncoding: return tr("Encoding...");
    case rsEncoded: return tr("Encoded");
    case rsUploading: return tr("Uploading");
    case rsDone: return tr("Done");
    case rsFailed: return tr("Failed");
  }
  return QString::fromLatin1(ListStateText(State));
}

void TForm1::RefreshList() {
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    QTreeWidgetItem* Row = LV->topLevelItem(i);
    Row->setText(ColInput, QString::number(i + 1));
    bool IsNumber = false;
    int Code = Row->text(ColStateCode).toInt(&IsNumber);
    if (!IsNumber) Code = 0;
    if (Code >= rsIdle && Code <= rsDone) Row->setText(ColState, StateText(TRowState(Code)));
  }
}

void TForm1::AppendSoundRow(const QString& FileName) {
  auto* Row = new QTreeWidgetItem();
  LV->addTopLevelItem(Row);
  const QString Caption = QString::number(LV->topLevelItemCount());
  Row->setText(ColInput, Caption);
  Row->setText(ColFilename, FileName);
  Row->setText(ColAddress, Caption);
  Row->setText(ColState, QString());
  Row->setText(ColStateCode, QStringLiteral("0"));
}

void TForm1::Addfile1Click(QObject*) {
  if (UploadRunning) return;
  if (OD->exec() != QDialog::Accepted) return;
  // The dialog runs its own event loop; an upload may have started meanwhile.
  if (UploadRunning) return;
  for (const QString& File : ChosenFiles(*OD)) AppendSoundRow(File);
  RefreshList();
}

void TForm1::Deletefile2Click(QObject*) {
  if (UploadRunning) return;
  const QList<QTreeWidgetItem*> Selected = LV->selectedItems();
  qDeleteAll(Selected);
}

void TForm1::Clearlist1Click(QObject*) {
  if (UploadRunning) return;
  LV->clear();
}

void TForm1::Changedigitaladdress1Click(QObject*) {
  if (UploadRunning) return;
  QTreeWidgetItem* Row = FirstSelectedFrom(LV, 0);
  if (!Row) return;
  QPersistentModelIndex Where = LV->indexFromItem(Row);
  bool Ok = false;
  const QString Text = QInputDialog::getText(
      this, tr("Digital address"),
      tr("Please type digital address [%1-%2]").arg(lists::kMinAddress).arg(lists::kMaxAddress),
      QLineEdit::Normal, Row->text(ColAddress), &Ok);
  if (!Ok) return;
  // The prompt pumps events: the row may have gone while it was open.
  if (!Where.isValid() || UploadRunning) return;
  Row = LV->itemFromIndex(Where);
  int Address = 0;
  if (!ParseAddress(Text, Address)) {
    ShowPlainMessage(tr("The digital address must be a whole number from %1 to %2.")
                         .arg(lists::kMinAddress)
                         .arg(lists::kMaxAddress));
    return;
  }
  Row->setText(ColAddress, QString::number(Address));
}

void TForm1::LVDragOver(QObject*, QObject*, const QPoint&, bool& Accept) {
  Accept = !UploadRunning;
}

void TForm1::LVDragDrop(QObject*, QObject* Source, const QPoint& Point) {
  if (UploadRunning) return;
  if (Source == LV) {
    QTreeWidgetItem* Target = LV->itemAt(Point);
    // A selected target is moved with the group; the group then goes before the first row
    // after it that stays, so the rows still end together, in order, at the target's place.
    if (Target && Target->isSelected()) {
      QTreeWidgetItem* Stay = nullptr;
      for (int i = LV->indexOfTopLevelItem(Target) + 1; i < LV->topLevelItemCount() && !Stay; ++i)
        if (!LV->topLevelItem(i)->isSelected()) Stay = LV->topLevelItem(i);
      Target = Stay;
    }
    QTreeWidgetItem* Current = FirstSelectedFrom(LV, 0);
    while (Current) {
      QTreeWidgetItem* Next = FirstSelectedFrom(LV, LV->indexOfTopLevelItem(Current) + 1);
      // A copy of everything the row holds: caption, sub-items, its length and marks.
      QTreeWidgetItem* Moved = Current->clone();
      LV->insertTopLevelItem(Target ? LV->indexOfTopLevelItem(Target) : LV->topLevelItemCount(),
                             Moved);
      delete Current;
      Current = Next;
    }
  }
  RefreshList();
}

void TForm1::LVKeyDown(QObject*, int Key, Qt::KeyboardModifiers) {
  if (Key == Qt::Key_Delete) Deletefile2Click(btnRemove);
  if (Key == Qt::Key_Space) Listen1Click(Listen1);
}
