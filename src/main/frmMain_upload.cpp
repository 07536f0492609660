// The upload command: the window checks its rows and hands them to the device engine.
#include <QDir>
#include <QFile>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeWidget>

#include "toolkit/flag_scope.h"
#include "main/AllDevicesDialog.h"
#include "main/frmMain.h"
#include "i18n/Translate.h"
#include "toolkit/error_report.h"

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
    rows.push_back({QFile::encodeName(row->text(TForm1::ColFilename)).toStdString(), AddressOf(row), {}});
  }
  return rows;
}

}  // namespace

// A row shown as "Missing" refuses the upload before the device is searched, let alone
// erased; rows that share a digital address go only when the user says so.
bool TForm1::UploadMayStart() {
  const TListFindings Found = Findings(true);
  if (!Found.Missing.isEmpty()) {
    QStringList Names;
    for (const QString& F : Found.Missing) Names << QDir::toNativeSeparators(F);
    ShowPlainMessage(tr("Sound files missing, nothing was sent to the device:") + u'\n' + Names.join(u'\n'));
    return false;
  }
  const QStringList& Twice = Found.Twice;
  if (Twice.isEmpty()) return true;
  QMessageBox Box(QMessageBox::Question, QGuiApplication::applicationDisplayName(),
                  (Twice.size() > 1
                       ? tr("More than one row has the digital addresses %1; the device cannot tell them apart.")
                       : tr("More than one row has the digital address %1; the device cannot tell them apart."))
                      .arg(Twice.join(QStringLiteral(", "))),
                  QMessageBox::Yes | QMessageBox::No, this);
  Box.setInformativeText(tr("Upload anyway?"));
  Box.setDefaultButton(QMessageBox::No);
  Box.exec();
  return Box.clickedButton() == Box.button(QMessageBox::Yes);
}

void TForm1::Startuploading1Click(QObject*) {
  if (DeviceBusy() || AllDevicesRunning()) return;  // started again from one of our own pumps
  FlagScope running(UploadRunning);  // also while the user is asked: the rows stay as checked
  if (!UploadMayStart()) return;
  i18n::SetDecimalPoint(QLocale().decimalPoint().toStdString());  // the user's separator
  UploadClock_.invalidate();
  const auto NormalTitleAgain = qScopeGuard([this] { ShowUploadTitle(QString()); });
  // Also when the upload ends in an error: its box then closes at once.
  const auto QuitIfAsked = qScopeGuard([this] {
    if (QuitAfterUpload_) QCoreApplication::exit(0);
  });
  std::vector<TUploadRow> Rows = RowsOf(LV);
  for (int i = 0; i < int(Rows.size()); ++i) Rows[size_t(i)].Options = OptionsOfRow(i);
  Engine->Upload(Rows);
  DeviceMayHaveChanged();
  if (CloseAfterUpload_) QTimer::singleShot(0, this, [this] { close(); });
  CloseAfterUpload_ = false;
}

void TForm1::Cancelupload1Click(QObject*) {
  if (UploadRunning) Engine->Cancel();
}

bool TForm1::ConfirmStopForClose() {
  if (AllDevicesRunning()) {
    // The dialog asks; the window closes once the tool has ended.
    const bool now = AllDevicesDialog()->AskToStop();
    CloseAfterAllDevices_ = !now && AllDevicesDialog()->Stopping();
    return now;
  }
  if (!UploadRunning) return true;
  const auto Answer = QMessageBox::question(
      this, QGuiApplication::applicationDisplayName(),
      tr("An upload is running. Stop it and close Kestrilo?\n"
         "The device will hold only part of the sounds and need a new upload."));
  if (Answer == QMessageBox::Yes && UploadRunning) {
    CloseAfterUpload_ = true;
    Engine->Cancel();
  }
  return false;  // the window closes once the upload has finished
}

// Nobody may be there to answer (logout, shutdown, a script): the rows are kept for the
// next start instead of asking, and every event loop ends, a dialog's too.
void TForm1::QuitWhenIdle() {
  KeepUnsavedList();
  Quitting_ = true;
  // A search or sound test ends at its next wait; an upload cleans up as on any cancel.
  if (Engine->Busy()) Engine->Cancel();
  if (UploadRunning && Engine->Busy()) {
    QuitAfterUpload_ = true;  // the upload's own pump ends it
    return;
  }
  QCoreApplication::exit(0);
}

void TForm1::ShowMessageLater(const QString& Text) {
  auto* Box = new QMessageBox(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), Text, QMessageBox::Ok, this);
  Box->setAttribute(Qt::WA_DeleteOnClose);  // owned by the window until it closes itself
  Box->open();
}
