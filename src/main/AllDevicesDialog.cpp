#include "main/AllDevicesDialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "lists/SoundListFile.h"
#include "main/UserSettings.h"
#include "main/frmMain.h"
#include "platform/exe_path.h"
#include "platform/temp_dir.h"
#include "toolkit/error_report.h"

namespace {

constexpr int kPollMs = 50;
const char* const kWatchKey = "AllDevices/Watch";
const char* const kLogKey = "AllDevices/Log";
const char* const kLogFileKey = "AllDevices/LogFile";

QPushButton* Button(QWidget* Parent, const char* Name, const QString& Caption) {
  auto* b = new QPushButton(Caption, Parent);
  b->setObjectName(QString::fromLatin1(Name));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TAllDevicesDialog::TAllDevicesDialog(TForm1& Form) : QDialog(&Form), form_(Form) {
  setObjectName(QStringLiteral("AllDevicesDialog"));
  setWindowTitle(tr("Upload to every device"));
  CreateLayout();
  LoadSettings();
  poll_ = new QTimer(this);
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, [this] { Guarded([this] { Poll(); }); });
  ShowRun();
}

// A tool still running is stopped by its owner's end: cancelled, waited for, killed.
TAllDevicesDialog::~TAllDevicesDialog() = default;

void TAllDevicesDialog::CreateLayout() {
  auto* column = new QVBoxLayout(this);
  Status = new QLabel(this);
  Status->setObjectName(QStringLiteral("Status"));
  Status->setWordWrap(true);
  column->addWidget(Status);
  Devices = new QTreeWidget(this);
  Devices->setObjectName(QStringLiteral("Devices"));
  Devices->setRootIsDecorated(false);
  Devices->setHeaderLabels({tr("Device"), tr("Port"), tr("Progress"), tr("Outcome")});
  Devices->setColumnWidth(ColDevice, 200);
  Devices->setColumnWidth(ColPort, 130);
  Devices->setColumnWidth(ColProgress, 130);
  column->addWidget(Devices, 1);
  Counts = new QLabel(this);
  Counts->setObjectName(QStringLiteral("Counts"));
  column->addWidget(Counts);
  Problem = new QLabel(this);
  Problem->setObjectName(QStringLiteral("Problem"));
  Problem->setWordWrap(true);
  Problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Problem->setStyleSheet(QStringLiteral("color: #b00000"));
  column->addWidget(Problem);
  column->addLayout(CreateSettings());
  column->addLayout(CreateButtons());
  resize(640, 360);
}

QLayout* TAllDevicesDialog::CreateSettings() {
  auto* rows = new QVBoxLayout;
  Watch = new QCheckBox(tr("Keep loading devices as they are plugged in"), this);
  Watch->setObjectName(QStringLiteral("Watch"));
  rows->addWidget(Watch);
  auto* log = new QHBoxLayout;
  Log = new QCheckBox(tr("Write a log of every load"), this);
  Log->setObjectName(QStringLiteral("Log"));
  LogFile = new QLineEdit(this);
  LogFile->setObjectName(QStringLiteral("LogFile"));
  ChooseLog = Button(this, "ChooseLog", tr("Choose..."));
  log->addWidget(Log);
  log->addWidget(LogFile, 1);
  log->addWidget(ChooseLog);
  rows->addLayout(log);
  connect(Watch, &QCheckBox::toggled, this, [this] { SaveSettings(); });
  connect(Log, &QCheckBox::toggled, this, [this] { SaveSettings(); });
  connect(LogFile, &QLineEdit::editingFinished, this, [this] { SaveSettings(); });
  connect(ChooseLog, &QPushButton::clicked, this, [this] { Guarded([this] { ChooseLogFile(); }); });
  return rows;
}

QLayout* TAllDevicesDialog::CreateButtons() {
  auto* row = new QHBoxLayout;
  Start = Button(this, "Start", tr("Start"));
  StopWatching = Button(this, "StopWatching", tr("Stop watching"));
  CancelUploads = Button(this, "CancelUploads", tr("Cancel uploads"));
  Close = Button(this, "Close", tr("Close"));
  for (QPushButton* b : {Start, StopWatching, CancelUploads}) row->addWidget(b);
  row->addStretch(1);
  row->addWidget(Close);
  connect(Start, &QPushButton::clicked, this, [this] { Guarded([this] { StartClick(); }); });
  connect(StopWatching, &QPushButton::clicked, this, [this] {
    if (process_) process_->StopWatching();
    ShowRun();
  });
  connect(CancelUploads, &QPushButton::clicked, this, [this] {
    if (process_) process_->Cancel();
    ShowRun();
  });
  connect(Close, &QPushButton::clicked, this, [this] { reject(); });
  return row;
}

void TAllDevicesDialog::LoadSettings() {
  const QSettings s = UserSettings();
  Watch->setChecked(s.value(QString::fromLatin1(kWatchKey), true).toBool());
  Log->setChecked(s.value(QString::fromLatin1(kLogKey), false).toBool());
  LogFile->setText(s.value(QString::fromLatin1(kLogFileKey)).toString());
}

void TAllDevicesDialog::SaveSettings() {
  QSettings s = UserSettings();
  s.setValue(QString::fromLatin1(kWatchKey), Watch->isChecked());
  s.setValue(QString::fromLatin1(kLogKey), Log->isChecked());
  s.setValue(QString::fromLatin1(kLogFileKey), LogFile->text());
}

void TAllDevicesDialog::ChooseLogFile() {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("LogFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);  // a log is added to
  dialog.setNameFilters({tr("Logs (*.csv *.jsonl)"), tr("All files (*)")});
  if (!LogFile->text().isEmpty()) dialog.selectFile(LogFile->text());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  LogFile->setText(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
  Log->setChecked(true);
  SaveSettings();
}

QString TAllDevicesDialog::ProgramToRun() {
  if (!program_.isEmpty()) return program_;
  return QString::fromStdString(alldevices::CliProgram());
}

// What the window checks before its own upload, and what this run needs besides.
bool TAllDevicesDialog::MayStart() {
  if (form_.DeviceBusy()) {
    ShowPlainMessage(tr("The window is searching or uploading; start again once it has finished."));
    return false;
  }
  if (form_.LV->topLevelItemCount() == 0) {
    ShowPlainMessage(tr("The list is empty: add the sounds to load first."));
    return false;
  }
  if (Log->isChecked() && LogFile->text().trimmed().isEmpty()) {
    ShowPlainMessage(tr("Choose the file for the log first."));
    return false;
  }
  if (ProgramToRun().isEmpty()) {
    ShowPlainMessage(tr("kestrilo-cli was not found in %1; it comes with Kestrilo and does this work. "
                        "Install Kestrilo again.")
                         .arg(QString::fromStdString(platform::ExecutableDir())));
    return false;
  }
  return form_.UploadMayStart();
}

void TAllDevicesDialog::StartClick() {
  if (Running() || !MayStart()) return;
  SaveSettings();
  auto dir = std::make_unique<platform::TTempDir>("kestrilo-all");
  const std::string list = dir->Path() + "list.kestrilo";
  lists::SaveSoundList(list, form_.CurrentSoundList());
  const alldevices::TRunSettings settings{Watch->isChecked(),
                                          Log->isChecked() ? LogFile->text().trimmed().toStdString() : "",
                                          form_.ListFileName.toStdString()};
  form_.AllDevicesRunChanged(true);  // its port closed before the tool looks for devices
  try {
    process_ = std::make_unique<alldevices::TAllProcess>(
        ProgramToRun().toStdString(), alldevices::UploadAllArguments(settings, list), settings.Watch, times_);
  } catch (...) {
    form_.AllDevicesRunChanged(false);
    throw;
  }
  listDir_ = std::move(dir);
  run_ = {};
  started_ = true;
  Devices->clear();
  poll_->start();
  ShowRun();
}

void TAllDevicesDialog::Poll() {
  if (!process_) return;
  const bool more = process_->Poll([this](const std::string& Line) { run_.Take(Line); });
  if (run_.StoppedWatching()) process_->WatchStopped();
  if (more)
    ShowRun();
  else
    RunEnded();
}

void TAllDevicesDialog::RunEnded() {
  poll_->stop();
  run_.ProcessEnded(process_->ExitStatus(), process_->Cancelling());
  process_.reset();
  listDir_.reset();
  form_.AllDevicesRunChanged(false);
  ShowRun();
  if (closeWhenEnded_) QDialog::reject();
  closeWhenEnded_ = false;
}

bool TAllDevicesDialog::AskToStop() {
  if (!Running()) return true;
  if (process_->Aborting()) return false;
  const auto answer = QMessageBox::question(
      this, QGuiApplication::applicationDisplayName(),
      tr("Uploads are running. Cancel them and close?\nA device being loaded will need a new upload."));
  if (answer != QMessageBox::Yes || !Running()) return !Running();
  closeWhenEnded_ = true;
  process_->Abort();
  ShowRun();
  return false;
}

// Close, Escape and the title bar's button: asks first while uploads run.
void TAllDevicesDialog::reject() {
  bool mayClose = false;
  Guarded([&] { mayClose = AskToStop(); });
  if (mayClose) QDialog::reject();
}
