#include "cli/EngineRig.h"

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "device/PortChoice.h"
#include "device/PortReport.h"
#include "device/Texts.h"
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
    o = {esCancelled, OutcomeName(TUploadOutcome::Cancelled), "Cancelled."};
  } catch (const std::exception& e) {
    front.ShowMessage(e.what());
    o = {esError, kErrorName, e.what()};
  }
  if (front.CancelRequested() && o.Status != esCompleted)
    o = {esCancelled, OutcomeName(TUploadOutcome::Cancelled), o.Text};
  o.Port = engine.Device.PortName;
  o.Device = engine.Device.DeviceName;
  o.Seconds = double(platform::TicksSince(start)) / 1000.0;
  return o;
}

int TEngineRig::Run(const std::function<TOutcomeReport()>& Step) { return Report(reporter, Guard(Step)); }

TOutcomeReport TEngineRig::Found() const {
  TOutcomeReport o{esCompleted, kFoundName, engine.FoundText()};
  o.Adapter = platform::IdentityOf({engine.Device.PortName, engine.Device.PortName});
  return o;
}

// The engine's own words when it gave a reason, else that none was found.
TOutcomeReport TEngineRig::NoDevice() const {
  const std::string& last = front.LastDeviceText();
  std::string text = texts::NoDevice;
  if (!last.empty() && !IsSearchingText(last)) text = last.rfind(text, 0) == 0 ? last : text + "\n" + last;
  // Without a reason of the search's own: the adapter brltty took, the most common one.
  if (text == texts::NoDevice && engine.OnlyPorts.empty())
    if (const std::string trap = BrlttyTrapText(); !trap.empty()) text += "\n" + trap;
  return {esNoDevice, OutcomeName(TUploadOutcome::NoDevice), text};
}

TOutcomeReport TEngineRig::Upload(TUploadOutcome Outcome) const {
  const TExitStatus status = StatusOf(Outcome);
  return {status, OutcomeName(Outcome), status == esCompleted ? texts::UploadCompleted : front.LastNews()};
}

}  // namespace cli
