#include "cli/EngineRig.h"

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "device/PortChoice.h"
#include "device/PortReport.h"
#include "platform/ticks.h"

namespace cli {

TEngineRig::TEngineRig(const TCliArgs& Args, TReporter& Reporter, std::vector<std::string> Files, bool DeviceNews)
    : reporter(Reporter), front(Reporter, std::move(Files), DeviceNews), engine(front, TimeoutsOf(Args)) {
  front.Attach(engine);
  if (!Args.Port.empty()) engine.OnlyPorts = {ResolvePortChoice(Args.Port)};
}

TOutcomeReport TEngineRig::Guard(const std::function<TOutcomeReport()>& Step) {
  const uint32_t start = platform::GetTickCount();
  TOutcomeReport o;
  try {
    o = Step();
  } catch (const TCancelRequest&) {
    o = {esCancelled, OutcomeName(TUploadOutcome::Cancelled), {{TNoticeId::Interrupted}}};
  } catch (const std::exception& e) {
    front.ShowMessage(ReasonMessage(e.what()));
    o = {esError, kErrorName, ReasonMessage(e.what())};
  }
  if (front.CancelRequested() && o.Status != esCompleted)
    o = {esCancelled, OutcomeName(TUploadOutcome::Cancelled), o.News};
  o.Port = engine.Device().PortName;
  o.Device = engine.Device().DeviceName;
  o.Seconds = double(platform::TicksSince(start)) / 1000.0;
  return o;
}

int TEngineRig::Run(const std::function<TOutcomeReport()>& Step) { return Report(reporter, Guard(Step)); }

TOutcomeReport TEngineRig::Found() const {
  TOutcomeReport o{esCompleted, kFoundName, {engine.FoundNotice()}};
  o.Adapter = platform::IdentityOf({engine.Device().PortName, engine.Device().PortName});
  return o;
}

// The engine's own reason when it gave one, under the news that none was found.
TOutcomeReport TEngineRig::NoDevice() const {
  const TNotice& last = front.LastDeviceNews();
  TNotices news{{TNoticeId::NoDevice}};
  if (last.Id == TNoticeId::PlayFailed) news = {last};
  else if (last.Id != TNoticeId::None && last.Id != TNoticeId::NoDevice && !IsSearching(last.Id)) news.push_back(last);
  // Without a reason of the search's own: the adapter brltty took, the most common one.
  if (news.size() == 1 && engine.OnlyPorts.empty())
    if (std::string trap = BrlttyTrapText(); !trap.empty()) news.push_back({TNoticeId::Reason, {std::move(trap)}});
  return {esNoDevice, OutcomeName(TUploadOutcome::NoDevice), news};
}

TOutcomeReport TEngineRig::Upload(TUploadOutcome Outcome) const {
  const TExitStatus status = StatusOf(Outcome);
  return {status, OutcomeName(Outcome), status == esCompleted ? TNotices{{TNoticeId::Completed}} : front.LastNews()};
}

}  // namespace cli
