// The upload sequence: search, encode every row, check, erase, stream the samples, set the
// digital addresses.
#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProgressBar>
#include <QTreeWidget>
#include <algorithm>
#include <stdexcept>

#include "main/EventPump.h"
#include "main/UploadFiles.h"
#include "main/WaveFile.h"
#include "main/frmMain.h"
#include "platform/ticks.h"
#include "serial/CPort.h"
#include "toolkit/error_report.h"

namespace {

constexpr int kMemoryMargin = 128;
constexpr int kCopyBlock = 256;
constexpr int kPauseEvery = 33;
constexpr int kAckEvery = 264;
constexpr uint32_t kEraseWaitMs = 60000;
constexpr uint32_t kAckWaitMs = 10;

// The runtime's text for a file that cannot be opened, read or written; Verb names which.
[[noreturn]] void ThrowFileError(const char* Verb, const QFile& File) {
  throw std::runtime_error(QStringLiteral("Cannot %1 file \"%2\". %3")
                               .arg(QLatin1String(Verb), QDir::toNativeSeparators(File.fileName()), File.errorString())
                               .toStdString());
}

void OpenOrThrow(QFile& File, QIODevice::OpenMode Mode) {
  if (!File.open(Mode)) ThrowFileError("open", File);
}

void SendByte(TComPort& Port, uint8_t Byte) { Port.Write(&Byte, 1); }

// State codes of a row; RefreshList shows 0 to 4, and leaves the text of any other alone.
enum : int { Encoding = 1, Encoded = 2, Uploading = 3, Done = 4, Failed = 5 };

void SetState(QTreeWidgetItem* Row, int Code) { Row->setText(TForm1::ColStateCode, QString::number(Code)); }

// A digital address that is not a number counts as 1.
int32_t AddressOf(QTreeWidgetItem* Row) {
  bool ok = false;
  const int32_t a = Row->text(TForm1::ColAddress).toInt(&ok, 10);
  return ok ? a : 1;
}

// Every path out of the sequence, an error included, gives the controls back and closes
// the port.
class FinishGuard {
 public:
  explicit FinishGuard(TForm1& Form) : f_(Form), events_(Form.ComPort->Events()) {}
  ~FinishGuard() {
    f_.btnUpload->setEnabled(true);
    f_.btnSearch->setEnabled(true);
    f_.btnAdd->setEnabled(true);
    f_.btnRemove->setEnabled(true);
    f_.Startuploading1->setEnabled(true);
    f_.Searchdevice1->setEnabled(true);
    try {
      f_.ComPort->Close();
    } catch (...) {
      // Closing a vanished device may fail; the error that ended the run is what matters.
    }
    f_.ComPort->SetEvents(events_);
    f_.UploadRunning = false;
  }
  FinishGuard(const FinishGuard&) = delete;
  FinishGuard& operator=(const FinishGuard&) = delete;

 private:
  TForm1& f_;
  const TComEvents events_;
};

}  // namespace

void TForm1::Startuploading1Click(QObject*) {
  if (UploadRunning || SearchRunning) return;  // started again from one of our own pumps
  UploadRunning = true;

  // Start.
  btnUpload->setEnabled(false);
  btnSearch->setEnabled(false);
  btnAdd->setEnabled(false);
  btnRemove->setEnabled(false);
  Startuploading1->setEnabled(false);
  Searchdevice1->setEnabled(false);
  FinishGuard finish(*this);

  Searchdevice1Click(this);
  int n = LV->topLevelItemCount();
  if (n == 0) {
    SetPanelText(1, QStringLiteral("No file!"));
    return;
  }

  // Encoding phase. A file that does not convert stops the run here, before the device
  // is touched, so the device keeps its old sounds.
  ProgressBar->setValue(0);
  ProgressBar->setMaximum(n);
  int64_t total = 0;
  for (int i = 0; i < n; ++i) {
    QTreeWidgetItem* row = LV->topLevelItem(i);
    const QString source = row->text(ColFilename);
    SetPanelText(1, QStringLiteral("Encoding %1...").arg(QFileInfo(source).fileName()));
    const QString wav = UploadFiles::TempName(i, QStringLiteral(".wav"));
    SetState(row, Encoding);
    RefreshList();
    QFile::remove(wav);  // whatever is there afterwards is this run's output
    EncodeFile(source, wav);
    const int64_t size = FileSizeOf(wav);
    QString why = EncodeError;
    if (why.isEmpty() && size < 0) why = QStringLiteral("the encoder wrote no file");
    if (why.isEmpty()) FindWaveData(wav, &why);
    if (!why.isEmpty()) {
      SetState(row, Failed);
      row->setText(ColState, QStringLiteral("Failed"));
      RefreshList();
      ProgressBar->setValue(0);
      SetPanelText(1, QStringLiteral("Encoding failed!"));
      ShowPlainMessage(QStringLiteral("Cannot convert \"%1\":\n%2").arg(QDir::toNativeSeparators(source), why));
      return;
    }
    total += size;
    const QString dat = UploadFiles::TempName(i, QStringLiteral(".dat"));
    if (QFile::exists(dat)) QFile::remove(dat);
    QFile::rename(wav, dat);
    SetState(row, Encoded);
    RefreshList();
    ProgressBar->setValue(i + 1);
  }
  ProgressBar->setValue(0);
  SetPanelText(1, QStringLiteral("All files encoded!"));
  PumpEvents();
  platform::Sleep(100);

  // Checks.
  if (Device.Status == 0) {
    ShowPlainMessage(QStringLiteral("No device found! Please check the USB connection and search again!"));
    return;
  }
  if (total >= int64_t(Device.Capacity) - kMemoryMargin) {
    ShowPlainMessage(QStringLiteral("The files total length larger than device memory!"));
    return;
  }

  // Erase phase.
  if (ComPort->Connected()) ComPort->Close();
  // Only received bytes matter here. Watching the other line events would wake the port's
  // event thread after every written byte for an output-empty report nobody uses, which
  // costs a fifth of the line's rate. Finish puts the events back.
  ComPort->SetEvents(TComEvents{evRxChar});
  ComPort->SetPort(Device.PortName.toStdString());
  ComPort->Open();
  ProgressBar->setMaximum(100);
  ProgressBar->setValue(50);
  SetPanelText(1, QStringLiteral("Erasing device flash..."));
  PumpEvents();
  RxBuffer.clear();
  SendByte(*ComPort, 'C');
  if (!WaitForByte(kEraseWaitMs, '+')) {
    ShowPlainMessage(QStringLiteral("Timeout error!"));
    return;
  }

  // Data phase.
  ProgressBar->setValue(0);
  SetPanelText(1, QStringLiteral("Uploading data..."));
  const QLocale locale;  // the user's decimal separator
  n = LV->topLevelItemCount();
  for (int i = 0; i < n; ++i) {
    QTreeWidgetItem* row = LV->topLevelItem(i);
    SetState(row, Uploading);
    RefreshList();
    PumpEvents();
    ProgressBar->setValue(0);
    PumpEvents();

    // The samples, and only they, go to the target, with 0x00 (the end marker) sent as 0x01.
    QFile source(UploadFiles::TempName(i, QStringLiteral(".dat")));
    QFile target(UploadFiles::TempName(i, QStringLiteral(".dat2")));
    OpenOrThrow(source, QIODevice::ReadOnly);
    OpenOrThrow(target, QIODevice::WriteOnly | QIODevice::Truncate);
    QString why;
    const std::optional<TWaveData> data = FindWaveData(source, &why);
    if (!data)
      throw std::runtime_error(
          QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(source.fileName()), why).toStdString());
    const int64_t end = data->Offset + data->Size;
    source.seek(data->Offset);
    ProgressBar->setMaximum(int(source.size()));
    char block[kCopyBlock];
    while (source.pos() < end) {
      const qint64 got = source.read(block, std::min<int64_t>(kCopyBlock, end - source.pos()));
      if (got <= 0) ThrowFileError("read", source);
      for (qint64 j = 0; j < got; ++j)
        if (block[j] == 0) block[j] = 1;
      if (target.write(block, got) != got) ThrowFileError("write", target);
      ProgressBar->setValue(int(source.pos()));
      PumpEvents();
    }
    source.close();
    target.close();
    PumpEvents();

    OpenOrThrow(target, QIODevice::ReadOnly);
    if (ComPort->Connected()) SendByte(*ComPort, 'D');
    const int64_t size = target.size();
    ProgressBar->setMaximum(int(size));
    int64_t shown = -1;  // the percentage shown, in hundredths
    int32_t k = 0;
    while (target.pos() < size) {
      // Formatting only when the two decimals can have changed keeps the per-byte work small.
      const double percent = double(target.pos()) / double(size) * 100.0;
      if (const int64_t hundredths = int64_t(percent * 100.0 + 0.5); hundredths != shown) {
        shown = hundredths;
        SetPanelText(1, locale.toString(percent, 'f', 2) + u'%');
      }
      RxBuffer.clear();
      char byte;
      if (!target.getChar(&byte)) ThrowFileError("read", target);
      if (ComPort->Connected()) SendByte(*ComPort, uint8_t(byte));
      ProgressBar->setValue(int(target.pos()));
      PumpEvents();
      if (k > 0 && k % kPauseEvery == 0) WaitTicks(1);
      if (k > 0 && k % kAckEvery == 0) WaitForByte(kAckWaitMs, 0x10);
      ++k;
      if (ProgressBar->value() % 100 == 0) PumpEvents();
    }
    if (ComPort->Connected()) SendByte(*ComPort, 0x00);
    SetState(row, Done);
    RefreshList();
    target.close();
    target.remove();
  }
  if (ComPort->Connected()) SendByte(*ComPort, 0x00);  // end of all sounds

  // Address phase. Written whether or not the port is open: a closed port fails loudly.
  ProgressBar->setValue(0);
  SetPanelText(1, QStringLiteral("Configuring digital addresses..."));
  n = LV->topLevelItemCount();
  for (int i = 0; i < n; ++i) {
    ProgressBar->setValue(i);
    const int32_t a = AddressOf(LV->topLevelItem(i));
    SendByte(*ComPort, 'A');
    SendByte(*ComPort, uint8_t((i + 1) & 0xFF));
    SendByte(*ComPort, uint8_t(a & 0xFF));
    SendByte(*ComPort, uint8_t((uint32_t(a) >> 8) & 0xFF));
    PumpEvents();
  }
  ProgressBar->setValue(ProgressBar->maximum());
  SetPanelText(1, QString());
  SetPanelText(2, QStringLiteral("Upload completed!"));
}
