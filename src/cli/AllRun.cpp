#include "cli/AllRun.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/LoadLogging.h"
#include "device/PortReport.h"
#include "i18n/Translate.h"
#include "platform/exe_path.h"
#include "platform/port_map.h"
#include "platform/ticks.h"

namespace cli {
namespace {

std::vector<std::string> ChildArguments(const TCliArgs& Args, const std::string& Port, const std::string& Manifest) {
  std::vector<std::string> a{"upload", "--port", Port, "--prepared", Manifest, "--json"};
  if (Args.EraseWaitMs > 0) a.insert(a.end(), {"--erase-wait-ms", std::to_string(Args.EraseWaitMs)});
  return a;
}

// None when the map cannot be read just now: that is no unplug of every port.
std::optional<std::vector<std::string>> MapPorts() {
  const auto map = platform::ReadPortMap();
  if (!map) return std::nullopt;
  std::vector<std::string> ports;
  for (const platform::TPortMapValue& v : *map) ports.push_back(v.Data);
  return ports;
}

// A device is known by its adapter's serial number wherever it is plugged in; without one,
// by its port.
std::string DeviceKey(const TDeviceRun& Run) {
  return Run.Adapter.SerialNumber.empty() ? Run.Path : "usb:" + Run.Adapter.SerialNumber;
}

}  // namespace

TAllRun::TAllRun(const TCliArgs& Args, TAllSetup Setup, TAllDisplay& Display)
    : args_(Args), setup_(std::move(Setup)), display_(Display), fleet_(Args.SettleMs) {}

void TAllRun::Run(const std::vector<std::string>& Ports, const std::vector<std::string>& Present) {
  const std::vector<std::string> labels = TellApart(Ports);
  for (size_t i = 0; i < Ports.size(); ++i) labels_[Ports[i]] = labels[i];
  const uint32_t now = platform::GetTickCount();
  fleet_.Known(Ports, now);
  fleet_.Known(Present, now);  // a port left now is a new plug only once it comes again
  pending_ = Ports;
  watching_ = args_.Watch;
  if (watching_) display_.Watching(true);
  StartDue();
  while (watching_ || Running() > 0) {
    std::vector<TChildPipe*> pipes;
    for (auto& a : attempts_)
      if (a->Open) pipes.push_back(a->Child.get());
    WaitForOutput(pipes, 100);
    PassOnInterrupts();
    if (watching_ && platform::TicksSince(looked_) >= 100) Look();
    StartDue();
    Follow();
    std::vector<const TDeviceRun*> running;
    for (auto& a : attempts_)
      if (a->Open) running.push_back(&a->Run);
    display_.Refresh(running, fleet_.Counts());
  }
}

void TAllRun::StartDue() {
  for (auto it = pending_.begin(); it != pending_.end();) {
    const bool busy = std::any_of(attempts_.begin(), attempts_.end(),
                                  [&](const auto& a) { return a->Open && a->Run.Path == *it; });
    if (busy || passedOn_ > 0) {
      ++it;
      continue;
    }
    const std::string port = *it;
    it = pending_.erase(it);
    if (!labels_.count(port)) labels_[port] = TellApart({port}).front();
    Begin(port, labels_[port]);
  }
}

void TAllRun::Begin(const std::string& Port, const std::string& Label) {
  auto a = std::make_unique<TAttempt>();
  a->Run.Port = Label;
  a->Run.Path = Port;
  a->Run.Adapter = platform::IdentityOf({Port, Port});
  a->Device = DeviceKey(a->Run);
  // Clones of one adapter may share a serial number: two at once are two devices.
  for (const auto& other : attempts_)
    if (other->Open && other->Device == a->Device && other->Run.Path != Port) a->Device = Port;
  a->Run.Attempt = a->Run.Attempts = fleet_.Begin(a->Device);
  a->Start = platform::GetTickCount();
  if (!devices_.count(a->Device)) order_.push_back(a->Device);
  display_.Attempt(a->Run);
  a->Child = std::make_unique<TChildPipe>(platform::ExecutablePath(),
                                          ChildArguments(args_, Port, setup_.Manifest), true);
  attempts_.push_back(std::move(a));
  ShowCounts();
}

void TAllRun::Follow() {
  for (auto& a : attempts_) {
    if (!a->Open) continue;
    TDeviceRun& run = a->Run;
    a->Child->ReadLines([&](const std::string& Line) {
      if (!display_.Take(run, Line)) a->Child->Kill();  // another installation's child
    });
    if (!a->Child->OutputOpen() && a->Child->HasEnded()) Close(*a);
  }
}

// A child that has ended: how, as its user and the log should know it.
void TAllRun::Close(TAttempt& A) {
  A.Open = false;
  TDeviceRun& run = A.Run;
  if (run.Outcome.empty()) {  // it died before it could say how it ended
    run.Outcome = killed_ ? OutcomeName(TUploadOutcome::Cancelled) : kErrorName;
    run.Status = killed_ ? int(esCancelled) : A.Child->Exited() ? A.Child->ExitCode() : int(esError);
    run.Seconds = double(platform::TicksSince(A.Start)) / 1000.0;
    if (killed_)
      run.Message = i18n::Fill(
          args_.Watch ? (run.Device.empty() ? i18n::Tr("The upload on %1 was ended at once by a third Ctrl+C")
                                            : i18n::Tr("The upload on %1 was ended at once by a third Ctrl+C; the "
                                                       "device may need a new upload"))
                      : (run.Device.empty() ? i18n::Tr("The upload on %1 was ended at once by a second Ctrl+C")
                                            : i18n::Tr("The upload on %1 was ended at once by a second Ctrl+C; the "
                                                       "device may need a new upload")),
          {run.Port});
    if (run.Message.empty() && !run.ErrorLine.empty()) run.Message = run.ErrorLine;
    if (run.Message.empty()) run.Message = i18n::Fill(i18n::Tr("The upload on %1 ended without an outcome"), {run.Port});
  }
  A.Child.reset();  // reaped; nothing of it stays open
  fleet_.End(A.Device, run.Result());
  run.Attempts = fleet_.Attempts(A.Device);
  display_.Ended(run);
  if (run.Listed() || !devices_.count(A.Device) || !devices_[A.Device].Listed()) devices_[A.Device] = run;
  if (run.Listed()) Record(run);
  ShowCounts();
}

void TAllRun::Record(const TDeviceRun& Run) {
  if (!setup_.Log) return;
  fleet::TLoadRecord r;
  r.Port = Run.Path;
  r.Adapter = Run.Adapter;
  r.Device = Run.Device;
  r.MemoryMb = Run.MemoryMb;
  r.ListFile = LoggedList(args_);
  r.Digest = setup_.Digest;
  r.Outcome = Run.Outcome;
  r.Reason = OneLine(Run.Reason());
  r.Seconds = Run.Seconds;
  try {
    setup_.Log->Append(r);
  } catch (const std::system_error& e) {
    logFailed_ = true;
    display_.Print(std::string("kestrilo-cli: ") + e.what());
  }
}

void TAllRun::Look() {
  looked_ = platform::GetTickCount();
  const auto present = MapPorts();
  if (!present) return;
  for (const std::string& gone : fleet_.Look(*present, looked_)) {
    pending_.erase(std::remove(pending_.begin(), pending_.end(), gone), pending_.end());
    labels_.erase(gone);
    display_.Unplugged(gone);
  }
  for (const std::string& p : fleet_.Due(looked_)) pending_.push_back(p);
}

// Ctrl+C: with --watch the first stops watching, the next cancels the children (which clean
// up) and the one after ends them; without, the first cancels and the second ends them.
void TAllRun::PassOnInterrupts() {
  const int level = Interrupts() == 0 ? 0 : std::min(Interrupts() + (args_.Watch ? 0 : 1), 3);
  if (level == passedOn_) return;
  if (level >= 1 && watching_) {
    watching_ = false;
    pending_.clear();
    display_.Watching(false);
  }
  for (auto& a : attempts_) {
    if (!a->Open) continue;
    if (level == 2) a->Child->Interrupt();
    if (level == 3) a->Child->Kill();
  }
  killed_ = killed_ || level == 3;
  passedOn_ = level;
}

bool TAllRun::CancelledByCtrlC() const { return passedOn_ >= 2; }

void TAllRun::ShowCounts() {
  const fleet::TCounts now = fleet_.Counts();
  if (now == shown_) return;
  shown_ = now;
  display_.Counts(now);
}

size_t TAllRun::Running() const {
  return size_t(std::count_if(attempts_.begin(), attempts_.end(), [](const auto& a) { return a->Open; }));
}

std::vector<TDeviceRun> TAllRun::Devices() const {
  std::vector<TDeviceRun> runs;
  for (const std::string& key : order_) runs.push_back(devices_.at(key));
  return runs;
}

}  // namespace cli
