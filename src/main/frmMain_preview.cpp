// Listening to a row as the device will play it: Space or "Listen", Space again stops.
#include <QTreeWidget>

#include "main/PreviewPlayer.h"
#include "main/frmMain.h"

void TForm1::Listen1Click(QObject*) {
  if (Preview->Busy()) return Preview->Stop();
  QTreeWidgetItem* row = LV->currentItem();
  if (!row || row->text(ColFilename).isEmpty()) return;
  Preview->Toggle(row->text(ColFilename), OptionsOfRow(LV->indexOfTopLevelItem(row)));
}
