// Device > "Upload to every device": the window's side of the dialog that loads every device
// at once through kestrilo-cli. While it runs the window's engine leaves the ports alone.
#include <QAbstractButton>
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

#include "lists/SoundListFile.h"
#include "main/AllDevicesDialog.h"
#include "main/PanelStatusBar.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"

void TForm1::CreateAllDevicesMenu() {
  Uploadtoeverydevice1 = new QAction(tr("Upload to every device"), this);
  Uploadtoeverydevice1->setObjectName(QStringLiteral("Uploadtoeverydevice1"));
  Upload1->insertAction(Ports1, Uploadtoeverydevice1);
  connect(Uploadtoeverydevice1, &QAction::triggered, this,
          [this] { Guarded([this] { Uploadtoeverydevice1Click(Uploadtoeverydevice1); }); });
}

TAllDevicesDialog* TForm1::AllDevicesDialog() const { return AllDevices_; }

bool TForm1::AllDevicesRunning() const { return AllDevices_ && AllDevices_->Running(); }

bool TForm1::DeviceBusy() const { return UploadRunning || SearchRunning || Engine->Busy(); }

void TForm1::Uploadtoeverydevice1Click(QObject*) {
  if (!AllDevicesRunning() && DeviceBusy()) {
    // Not modal: a search's own pump may have brought this here.
    ShowMessageLater(tr("The window is searching or uploading; start again once it has finished."));
    return;
  }
  if (!AllDevices_) AllDevices_ = new TAllDevicesDialog(*this);
  AllDevices_->show();
  AllDevices_->raise();
  AllDevices_->activateWindow();
}

void TForm1::AllDevicesRunChanged(bool Running) {
  if (Running) ReleaseDevicePort();
  for (QAbstractButton* b : {static_cast<QAbstractButton*>(btnUpload), static_cast<QAbstractButton*>(btnSearch)})
    b->setEnabled(!Running);
  for (QAction* a : {Startuploading1, Searchdevice1, Sound01, Sound21, Sound31, Sound41}) a->setEnabled(!Running);
  if (!Running && CloseAfterAllDevices_) QTimer::singleShot(0, this, [this] { close(); });
  CloseAfterAllDevices_ = false;
}

// The port a search left open would keep the tool from the device.
void TForm1::ReleaseDevicePort() {
  Panels_->SetPanelToolTip(2, QString());
  const bool hadDevice = Engine->Device().Status != 0;
  Engine->ForgetDevice();
  if (hadDevice) DeviceMayHaveChanged();
}

lists::TSoundList TForm1::CurrentSoundList() const { return {ListedRows(), ListOptions}; }
