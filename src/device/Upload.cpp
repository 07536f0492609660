// The upload sequence: search, encode every row, check, erase, stream the samples, set the
// digital addresses. Each phase is one function; Finish runs on every way out.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "device/EncoderCommand.h"
#include "device/Engine.h"
#include "device/F_Execute.h"
#include "device/Files.h"
#include "device/Protocol.h"
#include "device/UploadFiles.h"
#include "device/WaveFile.h"
#include "platform/ticks.h"

namespace {

constexpr int kCopyBlock = 256;

}  // namespace

void TDeviceEngine::EncodeFile(const std::string& Source, const std::string& Dest) {
  const std::string encoder = EncoderPath();
  // Between two looks at the encoder, handle events as they come, sleeping while none do.
  const TExecuteResult r = ExecuteAndWait(encoder, EncoderArguments(Source, Dest), SW_MINIMIZE, [this] {
    front_.PumpEventsUntil(platform::GetTickCount(), 5, [] { return false; });
  });
  EncodeError = r.Failure(encoder);
}

// One run of the sequence. Its destructor is the Finish phase.
class TDeviceEngine::TUploadRun {
 public:
  TUploadRun(TDeviceEngine& Engine, const std::vector<TUploadRow>& Rows)
      : e_(Engine), f_(Engine.front_), rows_(Rows), events_(Engine.ComPort->Events()) {
    Start();
  }
  ~TUploadRun() { Finish(); }
  TUploadRun(const TUploadRun&) = delete;
  TUploadRun& operator=(const TUploadRun&) = delete;

  TUploadOutcome Run() {
    e_.Search();
    if (rows_.empty()) {
      f_.ShowPanelText(1, "No file!");
      return TUploadOutcome::NoFile;
    }
    if (!Encoding()) return TUploadOutcome::EncodingFailed;
    if (const auto refused = Checks()) return *refused;
    if (!Erase()) return TUploadOutcome::EraseTimeout;
    Data();
    Addresses();
    return TUploadOutcome::Completed;
  }

 private:
  void Start() {
    f_.EnableControls(false);
  }

  // A file that does not convert stops the run here, before the device is touched, so
  // the device keeps its old sounds.
  bool Encoding() {
    const int n = int(rows_.size());
    SetProgress(0);
    SetProgressMaximum(n);
    for (int i = 0; i < n; ++i) {
      if (!EncodeRow(i)) return false;
      SetProgress(i + 1);
    }
    SetProgress(0);
    f_.ShowPanelText(1, "All files encoded!");
    f_.PumpEvents();
    platform::Sleep(100);
    return true;
  }

  bool EncodeRow(int Row) {
    const std::string& source = rows_[size_t(Row)].FileName;
    f_.ShowPanelText(1, "Encoding " + BaseName(source) + "...");
    const std::string wav = UploadFiles::TempName(Row, ".wav");
    f_.ShowRowState(Row, rsEncoding);
    RemoveFile(wav);  // whatever is there afterwards is this run's output
    e_.EncodeFile(source, wav);
    const int64_t size = FileSizeOf(wav);
    std::string why = e_.EncodeError;
    if (why.empty() && size < 0) why = "the encoder wrote no file";
    if (why.empty()) FindWaveData(wav, &why);
    if (!why.empty()) {
      f_.ShowRowState(Row, rsFailed);
      SetProgress(0);
      f_.ShowPanelText(1, "Encoding failed!");
      f_.ShowMessage("Cannot convert \"" + NativePath(source) + "\":\n" + why);
      return false;
    }
    total_ += size;
    RenameFile(wav, UploadFiles::TempName(Row, ".dat"));
    f_.ShowRowState(Row, rsEncoded);
    return true;
  }

  std::optional<TUploadOutcome> Checks() {
    if (e_.Device.Status == 0) {
      f_.ShowMessage("No device found! Please check the USB connection and search again!");
      return TUploadOutcome::NoDevice;
    }
    if (total_ >= int64_t(e_.Device.Capacity) - protocol::MemoryMargin) {
      f_.ShowMessage("The files total length larger than device memory!");
      return TUploadOutcome::TooLarge;
    }
    return std::nullopt;
  }

  bool Erase() {
    TComPort& port = *e_.ComPort;
    if (port.Connected()) port.Close();
    // Only received bytes matter here. Watching the other line events would wake the port's
    // event thread after every written byte for an output-empty report nobody uses, which
    // costs a fifth of the line's rate. Finish puts the events back.
    port.SetEvents(TComEvents{evRxChar});
    port.SetPort(e_.Device.PortName);
    port.Open();
    SetProgressMaximum(100);
    SetProgress(50);
    f_.ShowPanelText(1, "Erasing device flash...");
    f_.PumpEvents();
    e_.RxBuffer.clear();
    e_.SendByte(protocol::CmdErase);
    if (!e_.WaitForByte(e_.timeouts_.EraseWaitMs, protocol::ReplyErased)) {
      f_.ShowMessage("Timeout error!");
      return false;
    }
    return true;
  }

  void Data() {
    SetProgress(0);
    f_.ShowPanelText(1, "Uploading data...");
    for (int i = 0; i < int(rows_.size()); ++i) {
      f_.ShowRowState(i, rsUploading);
      f_.PumpEvents();
      SetProgress(0);
      f_.PumpEvents();
      PrepareSamples(i);
      SendSound(i);
      f_.ShowRowState(i, rsDone);
      RemoveFile(UploadFiles::TempName(i, ".dat2"));
    }
    if (Connected()) e_.SendByte(protocol::EndMark);  // end of all sounds
  }

  // The samples, and only they, go to the .dat2 file, with 0x00 (the end mark) sent as 0x01.
  void PrepareSamples(int Row) {
    TFile source(UploadFiles::TempName(Row, ".dat"), TFile::fmRead);
    TFile target(UploadFiles::TempName(Row, ".dat2"), TFile::fmWrite);
    std::string why;
    const std::optional<TWaveData> data = FindWaveData(source, &why);
    if (!data) throw std::runtime_error(NativePath(source.FileName()) + ": " + why);
    const int64_t end = data->Offset + data->Size;
    source.Seek(data->Offset);
    SetProgressMaximum(int(source.Size()));
    char block[kCopyBlock];
    for (int64_t pos = data->Offset; pos < end;) {
      const size_t want = size_t(std::min<int64_t>(kCopyBlock, end - pos));
      if (source.Read(block, want) != want)
        throw std::runtime_error("Cannot read file \"" + NativePath(source.FileName()) + "\". Unexpected end of file");
      std::replace(block, block + want, char(protocol::EndMark), char(protocol::ZeroSample));
      target.Write(block, want);
      pos += int64_t(want);
      SetProgress(int(pos));
      f_.PumpEvents();
    }
    source.Close();
    target.Close();
    f_.PumpEvents();
  }

  void SendSound(int Row) {
    TFile target(UploadFiles::TempName(Row, ".dat2"), TFile::fmRead);
    if (Connected()) e_.SendByte(protocol::CmdSound);
    const int64_t size = target.Size();
    SetProgressMaximum(int(size));
    int64_t shown = -1;  // the percentage shown, in hundredths
    int32_t k = 0;
    for (int64_t pos = 0; pos < size;) {
      ShowPercent(pos, size, shown);
      e_.RxBuffer.clear();
      uint8_t byte;
      if (target.Read(&byte, 1) != 1)
        throw std::runtime_error("Cannot read file \"" + NativePath(target.FileName()) + "\". Unexpected end of file");
      ++pos;
      if (Connected()) e_.SendByte(byte);
      SetProgress(int(pos));
      f_.PumpEvents();
      if (k > 0 && k % protocol::PauseEvery == 0) e_.WaitTicks(1);
      if (k > 0 && k % protocol::AckEvery == 0) e_.WaitForByte(e_.timeouts_.AckWaitMs, protocol::Ack);
      ++k;
      if (progress_ % 100 == 0) f_.PumpEvents();
    }
    if (Connected()) e_.SendByte(protocol::EndMark);
  }

  // Formatting only when the two decimals can have changed keeps the per-byte work small.
  void ShowPercent(int64_t Pos, int64_t Size, int64_t& Shown) {
    const double percent = double(Pos) / double(Size) * 100.0;
    const int64_t hundredths = int64_t(percent * 100.0 + 0.5);
    if (hundredths == Shown) return;
    Shown = hundredths;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", percent);
    std::string s = text;
    if (const auto dot = s.find('.'); dot != std::string::npos) s.replace(dot, 1, e_.DecimalPoint);
    f_.ShowPanelText(1, s + "%");
  }

  // Written whether or not the port is open: a closed port fails loudly.
  void Addresses() {
    SetProgress(0);
    f_.ShowPanelText(1, "Configuring digital addresses...");
    for (int i = 0; i < int(rows_.size()); ++i) {
      SetProgress(i);
      const uint32_t a = uint32_t(rows_[size_t(i)].Address);
      e_.SendByte(protocol::CmdAddress);
      e_.SendByte(uint8_t((i + 1) & 0xFF));
      e_.SendByte(uint8_t(a & 0xFF));
      e_.SendByte(uint8_t((a >> 8) & 0xFF));
      f_.PumpEvents();
    }
    SetProgress(progressMaximum_);
    f_.ShowPanelText(1, std::string());
    f_.ShowPanelText(2, "Upload completed!");
  }

  // Every way out gives the controls back and closes the port.
  void Finish() noexcept {
    try {
      f_.EnableControls(true);
    } catch (...) {
    }
    try {
      e_.ComPort->Close();
    } catch (...) {
      // Closing a vanished device may fail; the error that ended the run is what matters.
    }
    e_.ComPort->SetEvents(events_);
  }

  bool Connected() const { return e_.ComPort->Connected(); }

  // The progress bar ignores a value outside its range; so does the copy kept here.
  void SetProgress(int Value) {
    if (Value >= 0 && Value <= progressMaximum_) progress_ = Value;
    f_.ShowProgress(Value);
  }
  void SetProgressMaximum(int Maximum) {
    progressMaximum_ = Maximum;
    if (progress_ > Maximum) progress_ = -1;  // the bar resets
    f_.ShowProgressMaximum(Maximum);
  }

  TDeviceEngine& e_;
  TDeviceFrontEnd& f_;
  const std::vector<TUploadRow>& rows_;
  const TComEvents events_;
  int64_t total_ = 0;
  int progress_ = 0;
  int progressMaximum_ = 100;
};

TUploadOutcome TDeviceEngine::Upload(const std::vector<TUploadRow>& Rows) {
  if (busy_) return TUploadOutcome::NotStarted;  // started again from one of our own pumps
  TBusyScope busy(*this);
  TUploadRun run(*this, Rows);
  return run.Run();
}
