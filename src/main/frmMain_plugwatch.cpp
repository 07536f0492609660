// The window notices a serial port being plugged in and searches once it has settled; it
// notices the found device going at once. Device > "Ports..." shows every port.
#include <QAction>
#include <QMenu>
#include <QTimer>

#include "device/PortReport.h"
#include "main/PanelStatusBar.h"
#include "main/PlugWatch.h"
#include "main/PortsDialog.h"
#include "main/frmMain.h"
#include "platform/port_identity.h"

namespace {

constexpr int kSettleMs = 1000;  // udev names the node, ModemManager is kept away

}  // namespace

void TForm1::CreatePlugWatch() {
  Ports1 = new QAction(tr("Ports..."), this);
  Ports1->setObjectName(QStringLiteral("Ports1"));
  Upload1->insertAction(Cancelupload1, Ports1);
  connect(Ports1, &QAction::triggered, this, [this] { Ports1Click(Ports1); });
  PlugWatch = new TPlugWatch(kSettleMs, this);
  connect(PlugWatch, &TPlugWatch::Appeared, this, [this](const QString& Port, const QString& Adapter) {
    if (UploadRunning || SearchRunning) return;
    SetPanelText(2, Adapter.isEmpty() ? tr("Serial port plugged in: %1").arg(Port)
                                      : tr("USB serial device plugged in: %1").arg(Adapter));
  });
  connect(PlugWatch, &TPlugWatch::Settled, this, [this] {
    // A device found before keeps its port; only a search that is wanted runs.
    if (UploadRunning || SearchRunning || Engine->Busy() || Engine->Device().Status != 0) return;
    Searchdevice1Click(this);
  });
  connect(PlugWatch, &TPlugWatch::Gone, this, [this](const QString& Port) { PortGone(Port); });
}

void TForm1::PortGone(const QString& Port) {
  if (Engine->Device().Status == 0 || QString::fromStdString(Engine->Device().PortName) != Port) return;
  SetPanelText(2, tr("The device on %1 was unplugged.").arg(Port));
  // An upload or search running finds the loss itself and ends as designed.
  if (UploadRunning || SearchRunning || Engine->Busy()) return;
  ReleaseDevicePort();
}

void TForm1::ShowDeviceIdentity() {
  QString tip;
  if (Engine->Device().Status != 0) {
    const std::string& port = Engine->Device().PortName;
    tip = QString::fromStdString(IdentityLine(platform::IdentityOf({port, port})));
  }
  Panels_->SetPanelToolTip(2, tip);
}

void TForm1::Ports1Click(QObject* /*Sender*/) {
  TPortsDialog dialog(this);
  dialog.exec();
}
