// The window as the device engine's front end, and its device commands: search and sound
// test. Everything here runs on the UI thread.
#include <QAbstractButton>
#include <QAction>
#include <QProgressBar>
#include <QTreeWidget>
#include <cstdio>

#include "main/EventPump.h"
#include "toolkit/flag_scope.h"
#include "main/frmMain.h"
#include "toolkit/error_report.h"
#include "toolkit/qt_wakeup.h"

// ---- objects ----

void TForm1::CreateDeviceLink() {
  // Received bytes reach the UI thread through synchronised calls; the pumps must run them.
  InstallQtWakeup();
  Engine = std::make_unique<TDeviceEngine>(*this);
  BarPacer_ = new TFramePacer(
      [this] {
        if (ProgressBar) ProgressBar->setValue(ProgressToShow_);
      },
      this);
  PercentPacer_ = new TFramePacer([this] { SetPanelText(1, PercentToShow_); }, this);
}

void TForm1::FreePortList() {
  if (Engine) Engine->PortList.clear();
}

void TForm1::FreeComPort() { Engine.reset(); }

// ---- waits ----

void TForm1::WaitTicks(uint32_t Milliseconds) { Engine->WaitTicks(Milliseconds); }

void TForm1::WaitVersionReply(uint32_t Milliseconds, TDeviceInfo& Info) { Engine->WaitVersionReply(Milliseconds, Info); }

bool TForm1::WaitForByte(uint32_t Milliseconds, uint8_t Value) { return Engine->WaitForByte(Milliseconds, Value); }

// ---- search and sound test ----

void TForm1::Searchdevice1Click(QObject* /*Sender*/) {
  if (SearchRunning || AllDevicesRunning()) return;
  FlagScope running(SearchRunning);
  Engine->SearchDevice();
  DeviceMayHaveChanged();
  ShowDeviceIdentity();
}

void TForm1::Sound41Click(QObject* Sender) {
  if (SearchRunning || UploadRunning || AllDevicesRunning()) return;
  const auto* item = qobject_cast<QAction*>(Sender);
  Engine->SoundTest(item ? item->data().toInt() : 0);
  DeviceMayHaveChanged();
}

// ---- front end ----

// The bar and panel 1 change with every block sent; everything else the engine shows comes
// after the latest of them, so it draws them first.
void TForm1::FlushProgressDisplay() {
  BarPacer_->Flush();
  PercentPacer_->Flush();
}

void TForm1::ShowPanelText(int Index, const std::string& Text) {
  if (Index == 1) {
    PercentToShow_ = QString::fromStdString(Text);
    PercentPacer_->Changed();
    return;
  }
  FlushProgressDisplay();
  SetPanelText(Index, QString::fromStdString(Text));
}

void TForm1::ShowProgressMaximum(int Maximum) {
  FlushProgressDisplay();
  ProgressBar->setMaximum(Maximum);
}

void TForm1::ShowProgress(int Value) {
  ProgressToShow_ = Value;
  BarPacer_->Changed();
}

void TForm1::ShowRowState(int Row, TRowState State) {
  FlushProgressDisplay();
  QTreeWidgetItem* item = LV->topLevelItem(Row);
  if (!item) return;
  item->setText(ColStateCode, QString::number(State));
  // RefreshList names the codes up to Done and leaves any other text alone.
  if (State == rsFailed) item->setText(ColState, StateText(rsFailed));
  RefreshList();
  if (State == rsUploading) LV->scrollToItem(item);  // the row being sent stays in view
}

void TForm1::EnableControls(bool Enabled) {
  FlushProgressDisplay();
  for (QAbstractButton* b : {static_cast<QAbstractButton*>(btnUpload), static_cast<QAbstractButton*>(btnSearch),
                             static_cast<QAbstractButton*>(btnAdd), static_cast<QAbstractButton*>(btnRemove)})
    b->setEnabled(Enabled);
  Startuploading1->setEnabled(Enabled);
  Searchdevice1->setEnabled(Enabled);
  Uploadtoeverydevice1->setEnabled(Enabled);
  Cancelupload1->setEnabled(!Enabled);
}

void TForm1::ShowMessage(const std::string& Text) {
  FlushProgressDisplay();
  // Quitting on a signal: nobody is there to close a box.
  if (QuitAfterUpload_)
    std::fprintf(stderr, "%s\n", Text.c_str());
  else
    ShowPlainMessage(QString::fromStdString(Text));
}

void TForm1::PumpEvents() { ::PumpEvents(); }

bool TForm1::PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) {
  return ::PumpEventsUntil(Start, Milliseconds, Done);
}
