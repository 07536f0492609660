// The upload sequence: search, encode every row, check, erase, stream the samples, set the
// digital addresses. Each phase is one function; Finish runs on every way out.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "device/Encoding.h"
#include "device/Files.h"
#include "device/AckWatch.h"
#include "device/Protocol.h"
#include "device/Wording.h"
#include "i18n/Translate.h"
#include "platform/error_text.h"
#include "platform/ticks.h"

namespace {

constexpr uint32_t kLastAnswersWaitMs = 100;

// How much must go for the sounds to fit, in a unit that shows it: a few bytes read as
// bytes and milliseconds, not as "0.0 MB".
std::string ExcessAmount(int64_t Bytes) {
  const double seconds = double(Bytes) / protocol::SampleRate;
  if (Bytes < 1024)
    return i18n::Fill(Bytes == 1 ? i18n::Tr("%1 byte (%2 ms)") : i18n::Tr("%1 bytes (%2 ms)"),
                      {std::to_string(Bytes), WordDecimal(seconds * 1000, 2)});
  if (Bytes < 1048576)
    return i18n::Fill(i18n::Tr("%1 KB (%2 s)"), {WordDecimal(double(Bytes) / 1024, 1), WordDecimal(seconds, 2)});
  return i18n::Fill(i18n::Tr("%1 MB (%2 s)"), {WordDecimal(double(Bytes) / 1048576, 2), WordDecimal(seconds, 1)});
}

}  // namespace

// One run of the sequence. Its destructor is the Finish phase.
class TDeviceEngine::TUploadRun {
 public:
  explicit TUploadRun(TDeviceEngine& Engine, TPreparedSeen Prepared = {})
      : e_(Engine), f_(Engine.front_), events_(Engine.comPort_->Events()), prepared_(std::move(Prepared)) {
    Start();
  }
  ~TUploadRun() { Finish(); }
  TUploadRun(const TUploadRun&) = delete;
  TUploadRun& operator=(const TUploadRun&) = delete;

  // Every early end that the user must hear of ends here, with the row in flight failed.
  TUploadOutcome Run(const std::vector<TUploadRow>* Rows, const TPreparedSounds* Prepared) {
    try {
      return Phases(Rows, Prepared);
    } catch (const EUploadStopped& e) {
      return Stopped(e.Outcome(), e.Message());
    } catch (const EComPortExt& e) {
      const std::string why = platform::SystemErrorText(e.SystemErrorCode());
      return Stopped(TUploadOutcome::DeviceLost, {{TNoticeId::Reason, {e.what()}}, {TNoticeId::Reason, {why}}});
    } catch (...) {
      MarkFailed();
      throw;
    }
  }

 private:
  enum TStage { stBeforeErase, stErased, stSending, stAddresses };

  TUploadOutcome Phases(const std::vector<TUploadRow>* Rows, const TPreparedSounds* Prepared) {
    if (Rows && !TEncoding(e_, [this](int Value) { SetProgress(Value); }).Screen(*Rows))
      return TUploadOutcome::EncodingFailed;
    e_.Search();
    if (e_.cancel_) throw EUploadStopped(TUploadOutcome::Cancelled, {{TNoticeId::Cancelled}});
    if (Rows ? Rows->empty() : Prepared->empty()) {
      f_.ShowPhase({TNoticeId::NoFile});
      return TUploadOutcome::NoFile;
    }
    if (Rows && !Encoding(*Rows)) return TUploadOutcome::EncodingFailed;
    const TPreparedSounds& sounds = Rows ? sounds_ : *Prepared;
    if (prepared_) prepared_(sounds);
    if (const auto refused = Checks(sounds)) return *refused;
    if (!Erase()) return TUploadOutcome::EraseTimeout;
    Data(sounds);
    Addresses(sounds);
    Drain();
    SetProgress(progressMaximum_);
    f_.ShowPhase({TNoticeId::None});
    f_.ShowDeviceNews({TNoticeId::Completed});
    return TUploadOutcome::Completed;
  }

  void Start() {
    e_.cancel_ = false;
    f_.EnableControls(false);
  }

  TUploadOutcome Stopped(TUploadOutcome Outcome, TNotices Why) {
    MarkFailed();
    Why.push_back({Consequence()});
    f_.ShowMessage(Why);
    return Outcome;
  }

  // The row being worked on reads "Failed"; the others keep their states.
  void MarkFailed() {
    if (inFlight_ >= 0) f_.ShowRowState(inFlight_, rsFailed);
    inFlight_ = -1;
    if (stage_ >= stSending) f_.ShowPhase({TNoticeId::None});  // no percentage of a stopped run
  }

  TNoticeId Consequence() const {
    if (eraseUnsure_) return TNoticeId::MayBeErased;
    switch (stage_) {
      case stBeforeErase: return TNoticeId::KeepsOldSounds;
      case stErased: return TNoticeId::ErasedEmpty;
      case stSending: break;
      case stAddresses: return TNoticeId::AddressesNotSet;
    }
    return TNoticeId::PartOnly;
  }

  bool Encoding(const std::vector<TUploadRow>& Rows) {
    SetProgress(0);
    SetProgressMaximum(int(Rows.size()));
    TEncoding encoding(e_, [this](int Value) { SetProgress(Value); }, &inFlight_);
    if (!encoding.Run(Rows, sounds_)) return false;
    SetProgress(0);
    f_.ShowPhase({TNoticeId::AllEncoded});
    f_.PumpEvents();
    platform::Sleep(100);
    return true;
  }

  std::optional<TUploadOutcome> Checks(const TPreparedSounds& Sounds) {
    if (e_.device_.Status == 0) {
      TNotices message{{TNoticeId::NoDeviceCheckUsb}};
      if (e_.SearchProblem.Id != TNoticeId::None) message.push_back(e_.SearchProblem);
      f_.ShowMessage(message);
      return TUploadOutcome::NoDevice;
    }
    int64_t total = 0;
    for (const auto& s : Sounds) total += s.EncodedSize;
    if (total >= int64_t(e_.device_.Capacity) - protocol::MemoryMargin) {
      const int64_t holds = std::max<int64_t>(0, e_.device_.Capacity - protocol::MemoryMargin);
      f_.ShowMessage(TNotices{{TNoticeId::TooLarge},
                              {TNoticeId::Sizes, {SecondsOf(total), MegabytesOf(total), SecondsOf(holds), MegabytesOf(holds)}},
                              {TNoticeId::MustShrink, {ExcessAmount(total - holds + 1)}}});
      return TUploadOutcome::TooLarge;
    }
    return std::nullopt;
  }

  bool Erase() {
    TComPort& port = *e_.comPort_;
    if (port.Connected()) port.Close();
    // Only received bytes matter here. Watching the other line events would wake the port's
    // event thread after every written byte for an output-empty report nobody uses, which
    // costs a fifth of the line's rate. Finish puts the events back.
    port.SetEvents(TComEvents{evRxChar});
    port.SetPort(e_.device_.PortName);
    e_.OpenPort();
    SetProgressMaximum(100);
    SetProgress(50);
    f_.ShowPhase({TNoticeId::Erasing});
    f_.PumpEvents();
    e_.CheckRun();  // a cancel up to here keeps the device's sounds
    e_.rxBuffer_.clear();
    e_.SendByte(protocol::CmdErase);
    stage_ = stErased;
    // The first bytes that come must be the device's '+'; anything else is not the device.
    const bool answered = f_.PumpEventsUntil(platform::GetTickCount(), e_.timeouts_.EraseWaitMs,
                                             [this] { return !e_.rxBuffer_.empty() || e_.Interrupted(); });
    e_.CheckRun();
    if (!answered) {
      f_.ShowMessage(TNotices{{TNoticeId::EraseTimeout}, {TNoticeId::EraseLate}});
      return false;
    }
    eraseUnsure_ = e_.rxBuffer_.find_first_not_of(char(protocol::ReplyErased)) != std::string::npos;
    if (eraseUnsure_)
      throw EUploadStopped(TUploadOutcome::UnexpectedReply, {{TNoticeId::UnexpectedReply, {port.Port()}}});
    return true;
  }

  void Data(const TPreparedSounds& Sounds) {
    SetProgress(0);
    f_.ShowPhase({TNoticeId::Uploading});
    dataTotal_ = 0;
    for (const auto& s : Sounds) dataTotal_ += FileSizeOf(s.SampleFile);
    f_.ShowUploadPosition(0, dataTotal_);
    stage_ = stSending;
    watch_.emplace(TLineTimes(*e_.comPort_, e_.timeouts_.StopMarginMs), platform::GetTickCount());
    e_.rxBuffer_.clear();  // from here on the answers are counted, and kept until they are
    for (int i = 0; i < int(Sounds.size()); ++i) {
      inFlight_ = i;
      f_.ShowRowState(i, rsUploading);
      f_.PumpEvents();
      SetProgress(0);
      f_.PumpEvents();
      SendSound(Sounds[size_t(i)]);
      if (i + 1 == int(Sounds.size())) EndData();
      inFlight_ = -1;
      f_.ShowRowState(i, rsDone);
    }
  }

  // The last windows' answers come while the port still drains, so the last row is done only
  // once they are in: a device that hung there has not taken its sound.
  void EndData() {
    Send(protocol::EndMark);  // end of all sounds
    // Woken by each answer as it comes; the longer wait only spares idle rounds.
    while (watch_->Owing()) AwaitAnswer(kLastAnswersWaitMs);
  }

  // The design's wait for an acknowledgement; one that came back while the bytes before
  // this wait were being sent has arrived, and is not thrown away.
  void AwaitAnswer(uint32_t WaitMs) {
    e_.WaitForByte(WaitMs, protocol::Ack);
    watch_->Heard(size_t(std::count(e_.rxBuffer_.begin(), e_.rxBuffer_.end(), char(protocol::Ack))),
                  platform::GetTickCount());
    e_.rxBuffer_.clear();
    CheckAnswers();
    e_.CheckRun();
  }

  // A data byte, counted for the watch on the device's answers.
  void Send(uint8_t Byte) {
    if (Connected()) e_.SendByte(Byte);
    watch_->Sent();
  }

  // The samples go out in blocks, one write each: the bytes between two of the line's pauses,
  // 'D' before the first and the end marker after the last when no pause comes between.
  void SendSound(const TPreparedSound& Sound) {
    TFile samples(Sound.SampleFile, TFile::fmRead);
    const int64_t size = samples.Size();
    SetProgressMaximum(int(size));
    int64_t shown = -1;  // the percentage shown, in hundredths
    block_.assign(1, protocol::CmdSound);
    for (int64_t pos = 0; pos < size;) {
      ShowPercent(pos, size, shown);
      const int64_t end = BuildBlock(samples, pos, size);
      SendBlock(pos, end);
      pos = end;
      SetProgress(int(pos));
      f_.PumpEvents();
      Pace(pos - 1);
    }
    // Not in the last block: the marker follows its pause, or the 'D' of an empty sound.
    if (size == 0 || PausesAfter(size - 1)) {
      block_.push_back(protocol::EndMark);
      SendBlock(size, size);
    }
    dataSent_ += size;
    f_.ShowUploadPosition(dataSent_, dataTotal_);
  }

  static bool PausesAfter(int64_t K) { return K > 0 && K % protocol::PauseEvery == 0; }

  // Appends the samples from Pos up to the next one the line pauses after (and the end marker
  // when the sound ends without a pause); returns the position after them.
  int64_t BuildBlock(TFile& Samples, int64_t Pos, int64_t Size) {
    constexpr int64_t every = protocol::PauseEvery;
    const int64_t pause = std::max<int64_t>(1, (Pos + every - 1) / every) * every;
    const int64_t end = std::min(Size, pause + 1);
    const size_t from = block_.size(), count = size_t(end - Pos);
    block_.resize(from + count);
    if (Samples.Read(block_.data() + from, count) != count)
      throw std::runtime_error("Cannot read file \"" + NativePath(Samples.FileName()) + "\". Unexpected end of file");
    // A 0x00 would end the sound early, whatever put it into the file.
    std::replace(block_.begin() + std::ptrdiff_t(from), block_.end(), protocol::EndMark, protocol::ZeroSample);
    if (end == Size && !PausesAfter(end - 1)) block_.push_back(protocol::EndMark);
    return end;
  }

  // One write for the block of samples From..To; the watch learns of a window that ends in it.
  void SendBlock(int64_t From, int64_t To) {
    if (Connected()) e_.SendBytes(block_.data(), block_.size());
    const int64_t window = To / protocol::AckEvery * protocol::AckEvery;
    const uint64_t commands = From == 0 ? 1 : 0;  // the 'D' before the first samples
    const uint64_t before = window > From ? commands + uint64_t(window - From) : 0;
    watch_->Sent(before);
    if (before > 0) watch_->Owe(platform::GetTickCount());
    watch_->Sent(block_.size() - before);
    block_.clear();
  }

  // The design's pacing after data byte K of a sound.
  void Pace(int64_t K) {
    if (PausesAfter(K)) e_.WaitTicks(1);
    if (K > 0 && K % protocol::AckEvery == 0) AwaitAnswer(e_.timeouts_.AckWaitMs);
    if (e_.Interrupted()) e_.CheckRun();
  }

  // Formatting only when the two decimals can have changed keeps the work per block small.
  void ShowPercent(int64_t Pos, int64_t Size, int64_t& Shown) {
    const double percent = double(Pos) / double(Size) * 100.0;
    const int64_t hundredths = int64_t(percent * 100.0 + 0.5);
    if (hundredths == Shown) return;
    Shown = hundredths;
    f_.ShowUploadPosition(dataSent_ + Pos, dataTotal_);
    f_.ShowPhase({TNoticeId::Percent, {TDecimal{percent, 2}}});
  }

  // The port's queue is asked only when an answer is overdue even without it. Bytes the
  // driver has received and the port's event thread has not handed over yet (a busy machine)
  // may hold the answer: the next wait looks again.
  void CheckAnswers() {
    const uint32_t now = platform::GetTickCount();
    if (!watch_->Overdue(now, 0)) return;
    TComPort& port = *e_.comPort_;
    if (port.Connected() && (port.InputCount() > 0 || !watch_->Overdue(now, uint32_t(port.OutputCount())))) return;
    e_.ThrowDeviceStopped();
  }

  // Written whether or not the port is open: a closed port fails loudly.
  void Addresses(const TPreparedSounds& Sounds) {
    stage_ = stAddresses;
    SetProgress(0);
    f_.ShowPhase({TNoticeId::Addresses});
    for (int i = 0; i < int(Sounds.size()); ++i) {
      SetProgress(i);
      const uint32_t a = uint32_t(Sounds[size_t(i)].Address);
      e_.SendByte(protocol::CmdAddress);
      e_.SendByte(uint8_t((i + 1) & 0xFF));
      e_.SendByte(uint8_t(a & 0xFF));
      e_.SendByte(uint8_t((a >> 8) & 0xFF));
      f_.PumpEvents();
      e_.CheckRun();
    }
  }

  // The bytes written so far may still wait in the port's queue (a USB bridge's buffer);
  // the upload is done once they have left.
  void Drain() {
    TComPort& port = *e_.comPort_;
    const TLineTimes line(port, e_.timeouts_.StopMarginMs);
    const uint32_t start = platform::GetTickCount();
    const uint32_t limit = line.Limit(uint32_t(port.OutputCount()));
    while (port.OutputCount() > 0) {
      if (platform::TicksSince(start) >= limit) e_.ThrowDeviceStopped();
      e_.WaitTicks(5);
      e_.CheckRun();
    }
  }

  // Every way out gives the controls back and closes the port.
  void Finish() noexcept {
    try {
      f_.EnableControls(true);
    } catch (...) {
    }
    try {
      e_.comPort_->Close();
    } catch (...) {
      // Closing a vanished device may fail; the error that ended the run is what matters.
    }
    e_.comPort_->SetEvents(events_);
    for (const auto& s : sounds_) RemoveFile(s.SampleFile);
  }

  bool Connected() const { return e_.comPort_->Connected(); }

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
  const TComEvents events_;
  const TPreparedSeen prepared_;  // told of the sounds once encoded
  TPreparedSounds sounds_;  // encoded by this run
  int inFlight_ = -1;        // the row being encoded or sent
  TStage stage_ = stBeforeErase;
  bool eraseUnsure_ = false;  // the erase's answer was not the player's
  int progress_ = 0;
  int progressMaximum_ = 100;
  int64_t dataTotal_ = 0, dataSent_ = 0;  // sample bytes of the whole data phase
  std::optional<TAckWatch> watch_;        // the device's answers in the data phase
  std::vector<uint8_t> block_;            // the bytes of the next write in the data phase
};

TUploadOutcome TDeviceEngine::Upload(const std::vector<TUploadRow>& Rows, const TPreparedSeen& Prepared) {
  CheckThread();
  if (busy_) return TUploadOutcome::NotStarted;  // started again from one of our own pumps
  FlagScope busy(busy_);
  TUploadRun run(*this, Prepared);
  return run.Run(&Rows, nullptr);
}

TUploadOutcome TDeviceEngine::UploadPrepared(const TPreparedSounds& Sounds) {
  CheckThread();
  if (busy_) return TUploadOutcome::NotStarted;
  FlagScope busy(busy_);
  TUploadRun run(*this);
  return run.Run(nullptr, &Sounds);
}
