#include "cli/FrontEnd.h"

#include <algorithm>

#include "cli/Console.h"
#include "device/CorePump.h"
#include "device/Files.h"
#include "platform/ticks.h"

namespace cli {
namespace {

constexpr uint32_t kProgressEveryMs = 200;
// Long enough for an engine that honours the cancel to end on its own.
constexpr uint32_t kCancelGraceMs = 700;
// A wait is cut into slices this long, so that Ctrl+C is seen while it runs.
constexpr uint32_t kSliceMs = 50;

}  // namespace

TCliFrontEnd::TCliFrontEnd(TReporter& Reporter, std::vector<std::string> Files, bool DeviceNews)
    : reporter_(Reporter), files_(std::move(Files)), deviceNews_(DeviceNews) {
  reporter_.Files(files_);
}

void TCliFrontEnd::ShowDeviceNews(const TNotice& News) {
  device_ = News;
  if (News.Id == TNoticeId::Completed) return;  // the outcome says it
  if (deviceNews_ || IsSearching(News.Id)) reporter_.DeviceNews(News);
}

// The engine's percentage is of the sound in flight; the meter's is of them all.
void TCliFrontEnd::ShowPhase(const TNotice& Phase) {
  if (Phase.Id == TNoticeId::Percent) return;
  if (meter_.Running()) {
    ReportProgress(true);
    meter_.Stop();
  }
  if (Phase.Id != TNoticeId::None) phase_ = Phase;
  reporter_.Phase(Phase);
}

// The engine's first position starts the data phase; the next phase ends it.
void TCliFrontEnd::ShowUploadPosition(int64_t Sent, int64_t Total) {
  if (!meter_.Running()) meter_.Start(platform::GetTickCount());
  meter_.At(Sent, Total);
  ReportProgress(false);
}

void TCliFrontEnd::ReportProgress(bool Always) {
  const uint32_t now = platform::GetTickCount();
  if (!Always && now - reported_ < kProgressEveryMs) return;
  reported_ = now;
  reporter_.Progress(meter_.Figures(now));
}

void TCliFrontEnd::ShowRowState(int Row, TRowState State) {
  if (State == rsUploading && meter_.Running()) meter_.BeginRow(Row);
  if (State == rsDone && meter_.Running()) ReportProgress(true);
  const std::string file = Row < int(files_.size()) ? BaseName(files_[size_t(Row)]) : std::string();
  reporter_.Row(Row, int(files_.size()), file, State);
}

void TCliFrontEnd::ShowMessage(const TNotices& Message) {
  message_ = Message;
  reporter_.Message(Message);
}

void TCliFrontEnd::WatchInterrupt() {
  if (!Interrupted()) return;
  if (!cancelAt_) {
    cancelAt_ = platform::GetTickCount();
    if (engine_) engine_->Cancel();
  } else if (platform::TicksSince(*cancelAt_) >= kCancelGraceMs) {
    throw TCancelRequest{};
  }
}

void TCliFrontEnd::PumpEvents() {
  WatchInterrupt();
  corepump::PumpEvents();
}

bool TCliFrontEnd::PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) {
  for (;;) {
    WatchInterrupt();
    const uint32_t slice = std::min(Milliseconds, platform::TicksSince(Start) + kSliceMs);
    if (corepump::PumpEventsUntil(Start, slice, Done)) return true;
    if (slice >= Milliseconds) return false;
  }
}

}  // namespace cli
