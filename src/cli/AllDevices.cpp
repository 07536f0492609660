// upload --all: the parent encodes the sounds once, then starts one child per candidate
// port (this program again, uploading the prepared sounds to that port alone) and follows
// their JSON events. Each engine keeps its own thread and its own port's speed; a device
// that fails ends only its own child. With --watch it goes on with each port plugged in later.
#include <filesystem>

#include "cli/AllDisplay.h"
#include "cli/AllRun.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/EngineRig.h"
#include "cli/ExitStatus.h"
#include "cli/LoadLogging.h"
#include "cli/Manifest.h"
#include "fleet/LoadDigest.h"
#include "i18n/Translate.h"
#include "platform/port_map.h"
#include "platform/temp_dir.h"

namespace cli {
namespace {

// The children only read the prepared sounds: none may change what the others upload.
void MakeReadOnly(const std::string& ManifestFile, const TManifest& Manifest) {
#ifndef _WIN32  // a read-only file there would stay behind when the run's folder goes
  namespace fs = std::filesystem;
  const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  std::error_code ec;
  fs::permissions(ManifestFile, readOnly, ec);
  for (const TPreparedSound& s : Manifest.Sounds) fs::permissions(s.SampleFile, readOnly, ec);
#else
  (void)ManifestFile, (void)Manifest;
#endif
}

// The ports a watch leaves alone at its start: those present that are not candidates.
std::vector<std::string> PresentPorts(const TCliArgs& Args, TReporter& Reporter, bool& Ok) {
  Ok = true;
  if (!Args.Watch) return {};
  const auto map = platform::ReadPortMap();
  if (!map) {
    const TNotices news = ReasonMessage(i18n::Tr("The serial ports cannot be watched: the system's list of them "
                                                 "cannot be read"));
    Reporter.Message(news);
    Report(Reporter, {esError, kErrorName, news});
    Ok = false;
    return {};
  }
  std::vector<std::string> ports;
  for (const platform::TPortMapValue& v : *map) ports.push_back(v.Data);
  return ports;
}

}  // namespace

int RunUploadAll(const TCliArgs& Args, TReporter& Reporter) {
  const TOpenedLog log = OpenLoadLog(Args, Reporter);
  if (!log.Ok) return esError;
  const auto rows = UploadRows(Args, Reporter);
  if (!rows) return esError;
  if (!AddressesAccepted(Args, *rows, Reporter)) return esBadArguments;
  if (rows->empty()) return Report(Reporter, {esListEmpty, OutcomeName(TUploadOutcome::NoFile), {{TNoticeId::NoFile}}});
  bool watchable = true;
  const std::vector<std::string> present = PresentPorts(Args, Reporter, watchable);
  if (!watchable) return esError;
  TManifest manifest;
  std::vector<std::string> ports;
  std::string digest;
  {
    TEngineRig rig(Args, Reporter, FileNames(*rows), true);
    const TOutcomeReport encoded = rig.Guard([&] {
      const TOutcomeReport o = rig.Upload(rig.engine.Encode(*rows, manifest.Sounds));
      // The ports a single upload would search; without a port map that means opening each.
      if (o.Status == esCompleted) ports = rig.engine.CandidatePorts();
      if (o.Status == esCompleted && log.Log) digest = fleet::DigestOfPrepared(manifest.Sounds);
      return o;
    });
    if (encoded.Status != esCompleted) return Report(Reporter, encoded);
  }
  manifest.Files = FileNames(*rows);
  const std::string manifestFile = platform::RunTempDir() + "prepared.json";
  WriteManifest(manifestFile, manifest);
  MakeReadOnly(manifestFile, manifest);

  TAllDisplay display(Args, manifest.Files);
  TAllRun run(Args, {manifestFile, digest, log.Log.get()}, display);
  run.Run(ports, present);
  if (run.Killed()) platform::RemoveStaleRunDirs();  // the killed children's folders
  // Stopping a watch is no cancel; only the uploads Ctrl+C ended are.
  const int status = display.Finish(run.Devices(), Args.Watch ? run.CancelledByCtrlC() : Interrupted());
  return status == esCompleted && run.LogFailed() ? int(esError) : status;
}

}  // namespace cli
