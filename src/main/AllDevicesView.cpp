// The run as the dialog shows it: a row per device, the counts, the step, the result.
#include <QLabel>
#include <QPushButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QTreeWidget>

#include "main/AllDevicesDialog.h"

namespace {

// The outcomes the tool names, worded for the user.
const std::pair<const char*, const char*> kOutcomes[] = {
    {"Completed", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Completed")},
    {"NoDevice", QT_TRANSLATE_NOOP("TAllDevicesDialog", "No device")},
    {"NoFile", QT_TRANSLATE_NOOP("TAllDevicesDialog", "No sound file")},
    {"EncodingFailed", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Conversion failed")},
    {"TooLarge", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Too large")},
    {"EraseTimeout", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Erase timed out")},
    {"DeviceLost", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Device lost")},
    {"DeviceStopped", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Device stopped")},
    {"Cancelled", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Cancelled")},
    {"UnexpectedReply", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Unexpected reply")},
    {"NotStarted", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Not started")},
    {"SharedAddresses", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Shared addresses")},
    {"Error", QT_TRANSLATE_NOOP("TAllDevicesDialog", "Failed")},
};

QString OutcomeText(const std::string& Name) {
  for (const auto& [name, text] : kOutcomes)
    if (Name == name) return TAllDevicesDialog::tr(text);
  return QString::fromStdString(Name);
}

QString ProgressText(const alldevices::TDeviceRow& R) {
  if (R.Unplugged && !R.Running()) return TAllDevicesDialog::tr("Unplugged");
  if (R.Completed()) return TAllDevicesDialog::tr("%1%").arg(100);
  if (R.Percent >= 0) return TAllDevicesDialog::tr("%1%").arg(int(R.Percent));
  // A load that ended before its data shows no step: its outcome says what happened.
  return R.Running() ? QString::fromStdString(R.Phase) : QString();
}

QString Q(const std::string& Text) { return QString::fromStdString(Text); }

}  // namespace

void TAllDevicesDialog::ShowRun() {
  ShowRows();
  const alldevices::TCounts c = run_.Counts();
  Counts->setText(tr("%1 done, %2 failed, %3 running").arg(c.Done).arg(c.Failed).arg(c.Running));
  Problem->setText(FailureText());
  Problem->setVisible(!Problem->text().isEmpty());
  if (!Running())
    Status->setText(started_ ? ResultText() : tr("Loads the list shown in the window into every device plugged in."));
  else if (process_->Cancelling())
    Status->setText(tr("Cancelling the uploads..."));
  else if (run_.Watching() && !run_.StoppedWatching())
    Status->setText(tr("Watching for devices: each one plugged in is loaded."));
  else if (run_.StoppedWatching())
    Status->setText(tr("No longer watching; the running uploads finish."));
  else if (Devices->topLevelItemCount() > 0)
    Status->setText(tr("Loading the devices..."));
  else
    Status->setText(run_.Phase().empty() ? tr("Starting...") : Q(run_.Phase()));
  Start->setEnabled(!Running());
  StopWatching->setEnabled(Running() && process_->MayStopWatching() && !run_.StoppedWatching());
  CancelUploads->setEnabled(Running() && !process_->Cancelling());
  for (QWidget* w : {static_cast<QWidget*>(Watch), static_cast<QWidget*>(Log), static_cast<QWidget*>(LogFile),
                     static_cast<QWidget*>(ChooseLog)})
    w->setEnabled(!Running());
}

void TAllDevicesDialog::ShowRows() {
  int shown = 0;
  for (const alldevices::TDeviceRow& r : run_.Rows()) {
    if (!r.Listed()) continue;
    QTreeWidgetItem* item = Devices->topLevelItem(shown);
    if (!item) item = new QTreeWidgetItem(Devices);
    ++shown;
    item->setText(ColDevice, Q(r.Name()));
    item->setToolTip(ColDevice, Q(r.Found));
    item->setText(ColPort, Q(r.Port));
    item->setText(ColProgress, ProgressText(r));
    item->setText(ColOutcome, r.Running() ? QString() : OutcomeText(r.Outcome));
    item->setToolTip(ColOutcome, Q(!r.Reason.empty() ? r.Reason : r.Problem));
  }
  while (Devices->topLevelItemCount() > shown) delete Devices->takeTopLevelItem(shown);
}

QString TAllDevicesDialog::ResultText() const {
  const std::optional<int> status = run_.FinalStatus();
  if (!status) return tr("The run ended without a result.");
  if (*status == 0) return run_.Counts().Done > 0 ? tr("Every device was loaded.") : tr("No device was loaded.");
  if (*status == 130) return tr("Cancelled.");
  if (run_.Counts() == alldevices::TCounts{}) return tr("No device found.");
  return tr("Not every device was loaded.");
}

// A run that failed as a whole: the tool's message, or what it said on ending without one
// (a refused option among them).
QString TAllDevicesDialog::FailureText() const {
  if (!run_.Ended()) return {};
  if (run_.FinalStatus()) return *run_.FinalStatus() == 0 ? QString() : Q(run_.Message());
  QStringList lines;
  lines << (run_.ExitStatus() >= 0 ? tr("kestrilo-cli ended with exit status %1:").arg(run_.ExitStatus())
                                   : tr("kestrilo-cli was ended by a signal:"));
  for (const std::string& l : run_.ErrorLines()) {
    if (lines.size() > 4) break;
    lines << Q(l);
  }
  return lines.join(u'\n');
}
