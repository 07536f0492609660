// The upload command: the window hands its rows to the device engine.
#include <QFile>
#include <QLocale>
#include <QTreeWidget>

#include "main/FlagScope.h"
#include "main/frmMain.h"

namespace {

// A digital address that is not a number counts as 1.
int32_t AddressOf(QTreeWidgetItem* Row) {
  bool ok = false;
  const int32_t a = Row->text(TForm1::ColAddress).toInt(&ok, 10);
  return ok ? a : 1;
}

std::vector<TUploadRow> RowsOf(QTreeWidget* LV) {
  std::vector<TUploadRow> rows;
  for (int i = 0; i < LV->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = LV->topLevelItem(i);
    rows.push_back({QFile::encodeName(row->text(TForm1::ColFilename)).toStdString(), AddressOf(row)});
  }
  return rows;
}

}  // namespace

void TForm1::EncodeFile(const QString& Source, const QString& Dest) {
  Engine->EncodeFile(QFile::encodeName(Source).toStdString(), QFile::encodeName(Dest).toStdString());
  EncodeError = QString::fromLocal8Bit(Engine->EncodeError);
}

void TForm1::Startuploading1Click(QObject*) {
  if (UploadRunning || SearchRunning || Engine->Busy()) return;  // started again from one of our own pumps
  FlagScope running(UploadRunning);
  Engine->DecimalPoint = QLocale().decimalPoint().toStdString();  // the user's separator
  Engine->Upload(RowsOf(LV));
}
