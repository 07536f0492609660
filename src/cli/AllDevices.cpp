// upload --all: the parent encodes the sounds once, then starts one child per candidate
// port (this program again, uploading the prepared sounds to that port alone) and follows
// their JSON events. Each engine keeps its own thread and its own port's speed; a device
// that fails ends only its own child.
#include <algorithm>
#include <memory>

#include "cli/AllDisplay.h"
#include "cli/ChildPipe.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/EngineRig.h"
#include "cli/ExitStatus.h"
#include "i18n/Translate.h"
#include "cli/Manifest.h"
#include "device/PortReport.h"
#include "platform/exe_path.h"
#include "platform/temp_dir.h"
#include "platform/ticks.h"

namespace cli {
namespace {

std::vector<std::string> ChildArguments(const TCliArgs& Args, const std::string& Port, const std::string& Manifest) {
  std::vector<std::string> a{"upload", "--port", Port, "--prepared", Manifest, "--json"};
  if (Args.EraseWaitMs > 0) a.insert(a.end(), {"--erase-wait-ms", std::to_string(Args.EraseWaitMs)});
  return a;
}

// Ctrl+C is passed on to the children, which cancel through their clean-up; a second one
// ends them at once. Returns whether they were ended so.
bool PassOnInterrupts(std::vector<std::unique_ptr<TChildPipe>>& Children, int& PassedOn) {
  const int now = std::min(Interrupts(), 2);
  if (now == PassedOn) return false;
  for (auto& c : Children) {
    if (now == 1)
      c->Interrupt();
    else
      c->Kill();
  }
  PassedOn = now;
  return now == 2;
}

// Follows the children until every one has ended. Returns whether they were killed.
bool FollowChildren(std::vector<std::unique_ptr<TChildPipe>>& Children, std::vector<TDeviceRun>& Runs,
                    TAllDisplay& Display) {
  std::vector<TChildPipe*> pipes;
  for (auto& c : Children) pipes.push_back(c.get());
  const uint32_t start = platform::GetTickCount();
  int passedOn = 0;
  bool killed = false;
  for (size_t running = Children.size(); running > 0;) {
    WaitForOutput(pipes, 100);
    killed = PassOnInterrupts(Children, passedOn) || killed;
    running = 0;
    for (size_t i = 0; i < Children.size(); ++i) {
      TDeviceRun& run = Runs[i];
      Children[i]->ReadLines([&](const std::string& Line) { Display.Take(run, Line); });
      if (Children[i]->OutputOpen() || !Children[i]->HasEnded()) {
        ++running;
      } else if (run.Outcome.empty()) {  // it died before it could say how it ended
        run.Outcome = killed ? OutcomeName(TUploadOutcome::Cancelled) : kErrorName;
        run.Status = killed ? int(esCancelled) : Children[i]->Exited() ? Children[i]->ExitCode() : int(esError);
        run.Seconds = double(platform::TicksSince(start)) / 1000.0;
        if (killed)
          run.Message = i18n::Fill(run.Device.empty()
                                       ? i18n::Tr("The upload on %1 was ended at once by a second Ctrl+C")
                                       : i18n::Tr("The upload on %1 was ended at once by a second Ctrl+C; the device "
                                                  "may need a new upload"),
                                   {run.Port});
        if (run.Message.empty())
          run.Message = i18n::Fill(i18n::Tr("The upload on %1 ended without an outcome"), {run.Port});
      }
    }
    Display.Refresh(Runs);
  }
  return killed;
}

}  // namespace

int RunUploadAll(const TCliArgs& Args, TReporter& Reporter) {
  const auto rows = UploadRows(Args, Reporter);
  if (!rows) return esError;
  if (!AddressesAccepted(Args, *rows, Reporter)) return esBadArguments;
  if (rows->empty()) return Report(Reporter, {esListEmpty, OutcomeName(TUploadOutcome::NoFile), {{TNoticeId::NoFile}}});
  TManifest manifest;
  std::vector<std::string> ports;
  {
    TEngineRig rig(Args, Reporter, FileNames(*rows), true);
    const TOutcomeReport encoded = rig.Guard([&] {
      const TOutcomeReport o = rig.Upload(rig.engine.Encode(*rows, manifest.Sounds));
      // The ports a single upload would search; without a port map that means opening each.
      if (o.Status == esCompleted) ports = rig.engine.CandidatePorts();
      return o;
    });
    if (encoded.Status != esCompleted) return Report(Reporter, encoded);
  }
  manifest.Files = FileNames(*rows);
  const std::string manifestFile = platform::RunTempDir() + "prepared.json";
  WriteManifest(manifestFile, manifest);

  std::vector<std::unique_ptr<TChildPipe>> children;
  std::vector<TDeviceRun> runs;
  const std::vector<std::string> labels = TellApart(ports);
  for (size_t i = 0; i < ports.size(); ++i) {
    children.push_back(
        std::make_unique<TChildPipe>(platform::ExecutablePath(), ChildArguments(Args, ports[i], manifestFile)));
    runs.push_back({labels[i]});
  }
  TAllDisplay display(Args, manifest.Files);
  if (FollowChildren(children, runs, display)) platform::RemoveStaleRunDirs();  // the killed children's folders
  return display.Finish(runs, Interrupted());
}

}  // namespace cli
