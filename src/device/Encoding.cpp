// The encoding phase: every row converted by the encoder and its samples prepared as they
// go on the wire, written, closed and checked, before anything touches the device.

#include <algorithm>

#include "device/EncoderCommand.h"
#include "device/Encoding.h"
#include "device/F_Execute.h"
#include "device/Files.h"
#include "device/Protocol.h"
#include "device/UploadFiles.h"
#include "platform/ticks.h"
#include "sound/Prepare.h"

namespace {

// The encoder's own words for a full disk.
const char* const kNoSpace = "No space left on device";

TNotice NoSpace() { return {TNoticeId::NoSpace, {NativePath(UploadFiles::Folder())}}; }

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
  encodeError_ = r.Failure(encoder);
  // The encoder may report a full disk and still exit with success.
  if (r.ErrorOutput.find(kNoSpace) != std::string::npos) encodeError_ = Word(NoSpace());
}

TDeviceEngine::TEncoding::TEncoding(TDeviceEngine& Engine, std::function<void(int)> SetProgress, int* InFlight,
                                    std::optional<int64_t> Capacity)
    : e_(Engine),
      f_(Engine.front_),
      progress_(std::move(SetProgress)),
      inFlight_(InFlight),
      capacity_(Capacity.value_or(FoundOrLargest(Engine.device_))) {}

bool TDeviceEngine::TEncoding::Screen(const std::vector<TUploadRow>& Rows) {
  const TRowFindings findings = Validate(Rows);
  if (findings.Unusable.empty()) return true;
  const TUnusableRow& first = findings.Unusable.front();
  return Refuse(first.Row, Rows[size_t(first.Row)], {TNoticeId::Reason, {first.Why}});
}

namespace {

// The samples of rows prepared ahead of a failed or cancelled one: nobody sends them.
class TRemoveUntaken {
 public:
  TRemoveUntaken(const std::vector<sound::TPrepareJob>& Jobs, const TPreparedSounds& Taken) : jobs_(Jobs), taken_(Taken) {}
  ~TRemoveUntaken() {
    for (size_t i = taken_.size(); i < jobs_.size(); ++i) RemoveFile(jobs_[i].SampleFile);
  }
  TRemoveUntaken(const TRemoveUntaken&) = delete;
  TRemoveUntaken& operator=(const TRemoveUntaken&) = delete;

 private:
  const std::vector<sound::TPrepareJob>& jobs_;
  const TPreparedSounds& taken_;
};

}  // namespace

bool TDeviceEngine::TEncoding::Run(const std::vector<TUploadRow>& Rows, TPreparedSounds& Sounds) {
  Sounds.clear();
  if (!Screen(Rows)) return false;
  std::vector<sound::TPrepareJob> jobs;
  for (int i = 0; i < int(Rows.size()); ++i)
    jobs.push_back({Rows[size_t(i)].FileName, Rows[size_t(i)].Options, capacity_, UploadFiles::TempName(i, ".dat2")});
  const TRemoveUntaken removeUntaken(jobs, Sounds);  // after the encoders have stopped
  const auto& cache = e_.Preparation.Cache;
  sound::TParallelPrepare preparing(jobs, cache ? &*cache : nullptr, e_.Preparation.Encoders,
                                    e_.Preparation.ShareRuns);
  for (int i = 0; i < int(Rows.size()); ++i) {
    if (inFlight_) *inFlight_ = i;
    if (!EncodeRow(i, Rows[size_t(i)], preparing, Sounds)) return false;
    if (inFlight_) *inFlight_ = -1;
    progress_(i + 1);
  }
  if (cache) cache->Bound();
  return true;
}

bool TDeviceEngine::TEncoding::EncodeRow(int Row, const TUploadRow& Source, sound::TParallelPrepare& Preparing,
                                         TPreparedSounds& Sounds) {
  f_.ShowPhase({TNoticeId::EncodingRow, {BaseName(Source.FileName)}});
  f_.ShowRowState(Row, rsEncoding);
  const auto stopIfCancelled = [this] {
    if (e_.cancel_) throw EUploadStopped(TUploadOutcome::Cancelled, {{TNoticeId::Cancelled}});
  };
  // Handle events as they come while the row's encoder runs, sleeping while none do.
  while (!Preparing.Ready(size_t(Row))) {
    f_.PumpEventsUntil(platform::GetTickCount(), 5, [&] { return e_.cancel_ || Preparing.Ready(size_t(Row)); });
    stopIfCancelled();  // leaving ends the encoders too
  }
  // A cancel that came as the encoder ended is still a cancel, not its failure.
  f_.PumpEvents();
  stopIfCancelled();
  try {
    const sound::TPreparedFile prepared = Preparing.Take(size_t(Row));
    Sounds.push_back({UploadFiles::TempName(Row, ".dat2"), prepared.EncodedSize, Source.Address});
  } catch (const sound::EPrepareFailed& e) {
    return Refuse(Row, Source, e.NoSpace() ? NoSpace() : TNotice{TNoticeId::Reason, {e.what()}});
  }
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

TRowFindings TDeviceEngine::Validate(const std::vector<TUploadRow>& Rows) {
  TRowFindings findings;
  for (int i = 0; i < int(Rows.size()); ++i)
    if (std::string why = NotASoundFile(Rows[size_t(i)].FileName); !why.empty())
      findings.Unusable.push_back({i, std::move(why)});
  findings.SharedAddresses = SharedAddresses(Rows);
  return findings;
}

std::vector<int32_t> TDeviceEngine::SharedAddresses(const std::vector<TUploadRow>& Rows) {
  std::vector<int32_t> seen, shared;
  for (const TUploadRow& row : Rows) {
    if (std::count(seen.begin(), seen.end(), row.Address) == 1) shared.push_back(row.Address);
    seen.push_back(row.Address);
  }
  return shared;
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
