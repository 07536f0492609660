// search, play and upload to one device: one engine, one front end, one outcome.
#include "cli/Commands.h"

#include <cstdlib>

#include "cli/EngineRig.h"
#include "cli/ExitStatus.h"
#include "cli/JsonEvent.h"
#include "cli/LoadLogging.h"
#include "cli/Manifest.h"
#include "fleet/LoadDigest.h"
#include "lists/SoundListFile.h"

namespace cli {

namespace {

// Runs Load; what it throws is reported as the command's error.
template <class T>
std::optional<T> Loaded(TReporter& Reporter, const std::function<T()>& Load) {
  try {
    return Load();
  } catch (const std::exception& e) {
    Reporter.Message(ReasonMessage(e.what()));
    Report(Reporter, {esError, kErrorName, ReasonMessage(e.what())});
    return std::nullopt;
  }
}

}  // namespace

std::optional<std::vector<TUploadRow>> UploadRows(const TCliArgs& Args, TReporter& Reporter) {
  return Loaded<std::vector<TUploadRow>>(Reporter, [&Args] {
    std::vector<TUploadRow> rows = Args.Files;
    for (TUploadRow& row : rows) row.Options = Args.Options.Over({});
    if (Args.ListFile.empty()) return rows;
    const lists::TSoundList list = lists::LoadSoundList(Args.ListFile);
    // The command line's options replace the list's defaults; a row's own options stay.
    lists::TSoundList over = list;
    over.Defaults = Args.Options.Over(list.Defaults);
    for (const lists::TListedSound& s : list.Rows) rows.push_back({s.Path.string(), s.Address, over.OptionsOf(s)});
    return rows;
  });
}

std::vector<std::string> FileNames(const std::vector<TUploadRow>& Rows) {
  std::vector<std::string> names;
  for (const TUploadRow& r : Rows) names.push_back(r.FileName);
  return names;
}

TEngineTimeouts TimeoutsOf(const TCliArgs& Args) {
  TEngineTimeouts t;
  if (Args.EraseWaitMs > 0) t.EraseWaitMs = Args.EraseWaitMs;
  // For a device, or a simulator on a loaded machine, that answers later than the design's wait.
  if (const char* ms = std::getenv("KESTRILO_VERSION_WAIT_MS"); ms && std::atoi(ms) > 0)
    t.VersionWaitMs = uint32_t(std::atoi(ms));
  return t;
}

int Report(TReporter& Reporter, const TOutcomeReport& Outcome) {
  Reporter.Outcome(Outcome);
  return Outcome.Status;
}

int RunSearch(const TCliArgs& Args, TReporter& Reporter) {
  TEngineRig rig(Args, Reporter, {}, false);
  return rig.Run([&rig] {
    rig.engine.SearchDevice();
    return rig.engine.Device().Status != 0 ? rig.Found() : rig.NoDevice();
  });
}

int RunPlay(const TCliArgs& Args, TReporter& Reporter) {
  TEngineRig rig(Args, Reporter, {}, false);
  return rig.Run([&rig, &Args] {
    rig.engine.SoundTest(Args.Sound);
    return rig.engine.Device().Status != 0 ? rig.Found() : rig.NoDevice();
  });
}

bool AddressesAccepted(const TCliArgs& Args, const std::vector<TUploadRow>& Rows, TReporter& Reporter) {
  const std::vector<int32_t> shared = TDeviceEngine::Validate(Rows).SharedAddresses;
  if (shared.empty() || Args.Yes) return true;
  std::string list;
  for (const int32_t a : shared) list += (list.empty() ? "" : ", ") + std::to_string(a);
  const TNotices news{{shared.size() > 1 ? TNoticeId::SharedAddresses : TNoticeId::SharedAddress, {list}},
                      {TNoticeId::AcceptWithYes}};
  Reporter.Message(news);
  Report(Reporter, {esBadArguments, kSharedAddressesName, news});
  return false;
}

namespace {

// upload --log: the log names what the device was given, taken as the sounds are encoded.
int UploadLogged(const TCliArgs& Args, TReporter& Reporter, const std::vector<TUploadRow>& Rows,
                 fleet::TLoadLog& Log) {
  TEngineRig rig(Args, Reporter, FileNames(Rows), true);
  fleet::TLoadRecord record;
  record.ListFile = LoggedList(Args);
  const TOutcomeReport o = rig.Guard([&] {
    return rig.Upload(rig.engine.Upload(
        Rows, [&record](const TPreparedSounds& Sounds) { record.Digest = fleet::DigestOfPrepared(Sounds); }));
  });
  record.Port = o.Port;
  if (!o.Port.empty()) record.Adapter = platform::IdentityOf({o.Port, o.Port});
  record.Device = o.Device;
  if (rig.engine.Device().Status != 0) record.MemoryMb = std::to_string(rig.engine.Device().Capacity / 1048576);
  record.Outcome = o.Name;
  record.Reason = OneLine(Word(o.News));
  record.Seconds = o.Seconds;
  try {
    Log.Append(record);
  } catch (const std::system_error& e) {
    Reporter.Message(ReasonMessage(e.what()));
    if (o.Status == esCompleted) return Report(Reporter, {esError, kErrorName, ReasonMessage(e.what())});
  }
  return Report(Reporter, o);
}

}  // namespace

int RunUpload(const TCliArgs& Args, TReporter& Reporter) {
  if (!Args.Prepared.empty()) {
    // The --all parent refuses a child of another installation by this first line.
    if (Args.Json) EmitJsonEvent({{"event", "protocol"}, {"version", kChildProtocol}});
    const auto prepared = Loaded<TManifest>(Reporter, [&Args] { return ReadManifest(Args.Prepared); });
    if (!prepared) return esError;
    TEngineRig rig(Args, Reporter, prepared->Files, true);
    return rig.Run([&] { return rig.Upload(rig.engine.UploadPrepared(prepared->Sounds)); });
  }
  const TOpenedLog log = OpenLoadLog(Args, Reporter);
  if (!log.Ok) return esError;
  const auto rows = UploadRows(Args, Reporter);
  if (!rows) return esError;
  if (!AddressesAccepted(Args, *rows, Reporter)) return esBadArguments;
  if (log.Log) return UploadLogged(Args, Reporter, *rows, *log.Log);
  TEngineRig rig(Args, Reporter, FileNames(*rows), true);
  return rig.Run([&] { return rig.Upload(rig.engine.Upload(*rows)); });
}

}  // namespace cli
