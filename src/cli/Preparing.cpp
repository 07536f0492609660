#include "cli/Preparing.h"

#include "cli/Console.h"
#include "device/Files.h"
#include "platform/temp_dir.h"
#include "sound/ParallelPrepare.h"

namespace cli {

std::optional<std::vector<TPreparedRow>> PrepareRows(const std::vector<TUploadRow>& Rows) {
  std::vector<sound::TPrepareJob> jobs;
  std::vector<TPreparedRow> out(Rows.size());
  for (size_t i = 0; i < Rows.size(); ++i) {
    out[i].SampleFile = platform::RunTempDir() + "prepared" + std::to_string(i) + ".u8";
    jobs.push_back({Rows[i].FileName, Rows[i].Options, protocol::LargestCapacity, out[i].SampleFile});
  }
  const auto cache = sound::TSoundCache::ForUser();
  sound::TParallelPrepare preparing(jobs, cache ? &*cache : nullptr);
  for (size_t i = 0; i < Rows.size(); ++i) {
    while (!preparing.WaitReady(i, 50))
      if (Interrupted()) return std::nullopt;  // the preparer stops its encoders as it goes
    try {
      const std::string why = NotASoundFile(Rows[i].FileName);
      if (!why.empty()) throw sound::EPrepareFailed(why, false);
      out[i].File = preparing.Take(i);
    } catch (const sound::EPrepareFailed& e) {
      out[i].Error = e.NoSpace() ? e.what() : "Cannot convert \"" + NativePath(Rows[i].FileName) + "\":\n" + e.what();
    }
  }
  if (cache) cache->Bound();
  return out;
}

}  // namespace cli
