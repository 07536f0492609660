// The encoding phase: every row converted by the encoder and its samples prepared as they
// go on the wire, written, closed and checked, before anything touches the device.
#include <algorithm>
#include <cerrno>

#include "device/EncoderCommand.h"
#include "device/Encoding.h"
#include "device/F_Execute.h"
#include "device/Files.h"
#include "device/Protocol.h"
#include "device/UploadFiles.h"
#include "device/WaveFile.h"
#include "platform/ticks.h"

namespace {

constexpr int kCopyBlock = 4096;
// The encoder's own words for a full disk.
const char* const kNoSpace = "No space left on device";

TNotice NoSpace() { return {TNoticeId::NoSpace, {NativePath(UploadFiles::Folder())}}; }

// Removes a temporary file on every way out.
class TRemoveAtEnd {
 public:
  explicit TRemoveAtEnd(std::string Path) : path_(std::move(Path)) {}
  ~TRemoveAtEnd() { RemoveFile(path_); }
  TRemoveAtEnd(const TRemoveAtEnd&) = delete;
  TRemoveAtEnd& operator=(const TRemoveAtEnd&) = delete;

 private:
  std::string path_;
};

int64_t FoundOrLargest(const TDeviceInfo& Device) {
  return Device.Status != 0 ? Device.Capacity : protocol::LargestCapacity;
}

}  // namespace

void TDeviceEngine::EncodeFile(const std::string& Source, const std::string& Dest, int64_t Capacity) {
  const std::string encoder = EncoderPath();
  const auto stopIfCancelled = [this] {
    if (cancel_) throw EUploadStopped(TUploadOutcome::Cancelled, {{TNoticeId::Cancelled}});
  };
  // Between two looks at the encoder, handle events as they come, sleeping while none do.
  const TExecuteResult r = ExecuteAndWait(encoder, EncoderArguments(Source, Dest, Capacity), SW_MINIMIZE, [&] {
    front_.PumpEventsUntil(platform::GetTickCount(), 5, [this] { return cancel_.load(); });
    stopIfCancelled();  // leaving the wait ends the encoder too
  });
  // A cancel that came as the encoder ended is still a cancel, not its failure.
  front_.PumpEvents();
  stopIfCancelled();
  EncodeError = r.Failure(encoder);
  encodeFailure_ = EncodeError.empty() ? TNotice{} : TNotice{TNoticeId::Reason, {EncodeError}};
  // The encoder may report a full disk and still exit with success.
  if (r.ErrorOutput.find(kNoSpace) != std::string::npos) {
    encodeFailure_ = NoSpace();
    EncodeError = Word(encodeFailure_);
  }
}

TDeviceEngine::TEncoding::TEncoding(TDeviceEngine& Engine, std::function<void(int)> SetProgress, int* InFlight,
                                    std::optional<int64_t> Capacity)
    : e_(Engine),
      f_(Engine.front_),
      progress_(std::move(SetProgress)),
      inFlight_(InFlight),
      capacity_(Capacity.value_or(FoundOrLargest(Engine.Device))) {}

bool TDeviceEngine::TEncoding::Screen(const std::vector<TUploadRow>& Rows) {
  for (int i = 0; i < int(Rows.size()); ++i) {
    const std::string why = NotASoundFile(Rows[size_t(i)].FileName);
    if (!why.empty()) return Refuse(i, Rows[size_t(i)], {TNoticeId::Reason, {why}});
  }
  return true;
}

bool TDeviceEngine::TEncoding::Run(const std::vector<TUploadRow>& Rows, TPreparedSounds& Sounds) {
  Sounds.clear();
  if (!Screen(Rows)) return false;
  for (int i = 0; i < int(Rows.size()); ++i) {
    if (inFlight_) *inFlight_ = i;
    if (!EncodeRow(i, Rows[size_t(i)], Sounds)) return false;
    if (inFlight_) *inFlight_ = -1;
    progress_(i + 1);
  }
  return true;
}

bool TDeviceEngine::TEncoding::EncodeRow(int Row, const TUploadRow& Source, TPreparedSounds& Sounds) {
  f_.ShowPhase({TNoticeId::EncodingRow, {BaseName(Source.FileName)}});
  const std::string wav = UploadFiles::TempName(Row, ".wav");
  f_.ShowRowState(Row, rsEncoding);
  RemoveFile(wav);  // whatever is there afterwards is this run's output
  const TRemoveAtEnd removeWav(wav);
  e_.EncodeFile(Source.FileName, wav, capacity_);
  const int64_t size = FileSizeOf(wav);
  if (e_.encodeFailure_.Id != TNoticeId::None) return Refuse(Row, Source, e_.encodeFailure_);
  if (size < 0) return Refuse(Row, Source, {TNoticeId::NoEncoderOutput});
  if (std::string why; !FindWaveData(wav, &why)) return Refuse(Row, Source, {TNoticeId::Reason, {why}});
  // Only its samples are needed from here on; the whole copy goes once they are out.
  const std::string dat = UploadFiles::TempName(Row, ".dat");
  const TRemoveAtEnd removeDat(dat);
  RenameFile(wav, dat);
  TPreparedSound sound{UploadFiles::TempName(Row, ".dat2"), size, Source.Address};
  const int64_t samples = PrepareSamples(dat, sound.SampleFile);
  if (samples <= 0) RemoveFile(sound.SampleFile);  // the run's end removes only the sounds it sends
  if (samples < 0) return Refuse(Row, Source, NoSpace());
  if (samples == 0) return Refuse(Row, Source, {TNoticeId::NoSamples});
  Sounds.push_back(sound);
  f_.ShowRowState(Row, rsEncoded);
  return true;
}

bool TDeviceEngine::TEncoding::Refuse(int Row, const TUploadRow& Source, const TNotice& Why) {
  f_.ShowRowState(Row, rsFailed);
  progress_(0);
  f_.ShowPhase({TNoticeId::EncodingFailed});
  if (Why.Id == TNoticeId::NoSpace)
    f_.ShowMessage(TNotices{Why});  // not the sound's fault
  else
    f_.ShowMessage(TNotices{{TNoticeId::CannotConvert, {NativePath(Source.FileName)}}, Why});
  return false;
}

int64_t TDeviceEngine::TEncoding::PrepareSamples(const std::string& Encoded, const std::string& Target) {
  try {
    TFile source(Encoded, TFile::fmRead);
    std::string why;
    const std::optional<TWaveData> data = FindWaveData(source, &why);
    if (!data) throw std::runtime_error(NativePath(Encoded) + ": " + why);
    TFile target(Target, TFile::fmWrite);
    source.Seek(data->Offset);
    char block[kCopyBlock];
    for (int64_t left = data->Size; left > 0;) {
      const size_t want = size_t(std::min<int64_t>(kCopyBlock, left));
      if (source.Read(block, want) != want)
        throw std::runtime_error("Cannot read file \"" + NativePath(Encoded) + "\". Unexpected end of file");
      std::replace(block, block + want, char(protocol::EndMark), char(protocol::ZeroSample));
      target.Write(block, want);
      left -= int64_t(want);
    }
    target.Close();  // a buffered write that failed shows here
    if (FileSizeOf(Target) != int64_t(data->Size))
      throw std::runtime_error("Cannot write file \"" + NativePath(Target) + "\". It came out short");
    return data->Size;
  } catch (const EFileError& e) {
    if (e.SystemError() == ENOSPC) return -1;
    throw;
  }
}

TRowFindings TDeviceEngine::Validate(const std::vector<TUploadRow>& Rows) {
  TRowFindings findings;
  std::vector<int32_t> seen;
  for (int i = 0; i < int(Rows.size()); ++i) {
    const TUploadRow& row = Rows[size_t(i)];
    if (!NotASoundFile(row.FileName).empty()) findings.Unusable.push_back(i);
    auto& shared = findings.SharedAddresses;
    if (std::count(seen.begin(), seen.end(), row.Address) == 1 &&
        std::find(shared.begin(), shared.end(), row.Address) == shared.end())
      shared.push_back(row.Address);
    seen.push_back(row.Address);
  }
  return findings;
}

TUploadOutcome TDeviceEngine::Encode(const std::vector<TUploadRow>& Rows, TPreparedSounds& Sounds) {
  CheckThread();
  if (busy_) return TUploadOutcome::NotStarted;
  FlagScope busy(busy_);
  cancel_ = false;
  // For any device: no search has said which.
  TEncoding encoding(*this, [this](int Value) { front_.ShowProgress(Value); }, nullptr, protocol::LargestCapacity);
  front_.ShowProgress(0);
  front_.ShowProgressMaximum(int(Rows.size()));
  return encoding.Run(Rows, Sounds) ? TUploadOutcome::Completed : TUploadOutcome::EncodingFailed;
}
