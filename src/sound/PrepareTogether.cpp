#include "sound/PrepareTogether.h"

#include <algorithm>
#include <memory>

#include "device/Files.h"
#include "sound/EncoderArgs.h"
#include "sound/PrepareSteps.h"

namespace sound {
namespace {

using TWavs = std::vector<std::unique_ptr<TRemoveAtEnd>>;

// Every output written and nothing reported: anything else is judged by the jobs' own runs.
bool Clean(const platform::TProcessOutcome& Outcome, const TWavs& Wavs) {
  if (!Outcome.Started || !Outcome.Exited || Outcome.ExitCode != 0) return false;
  if (Outcome.ErrorOutput.find_first_not_of(" \t\r\n") != std::string::npos) return false;
  return std::all_of(Wavs.begin(), Wavs.end(), [](const auto& w) { return FileSizeOf(w->Path()) >= 0; });
}

bool RunTogether(const std::vector<const TPrepareJob*>& Jobs, const TWavs& Wavs, const std::atomic<bool>& Stop) {
  if (Jobs.size() < 2) return false;
  std::vector<std::vector<std::string>> single;
  for (size_t k = 0; k < Jobs.size(); ++k)
    single.push_back(EncodeArguments(Jobs[k]->Source, Wavs[k]->Path(), Jobs[k]->Capacity, Jobs[k]->Options));
  return Clean(RunEncoder(SharedArguments(single), Stop), Wavs);
}

}  // namespace

bool SharesRun(const TPrepareJob& Job) { return Job.Options.Loudness == TLoudness::Off; }

void PrepareTogether(const std::vector<const TPrepareJob*>& Jobs, const TSoundCache* Cache,
                     const std::vector<std::string>& Keys, const std::atomic<bool>& Stop,
                     const std::function<void(size_t, TPrepareResult)>& Done) {
  TWavs wavs;
  for (size_t k = 0; k < Jobs.size(); ++k) wavs.push_back(std::make_unique<TRemoveAtEnd>(PrivateName(".wav")));
  bool clean = false;
  try {
    clean = RunTogether(Jobs, wavs, Stop);
  } catch (const EPrepareStopped&) {
    for (size_t k = 0; k < Jobs.size(); ++k) Done(k, {std::nullopt, std::current_exception()});
    return;
  }
  for (size_t k = 0; k < Jobs.size(); ++k) {
    const TPrepareJob& job = *Jobs[k];
    TPrepareResult result;
    try {
      if (!clean) {
        result.File = PrepareUncached(job, Cache, Keys[k], Stop);
      } else {
        result.File = Collect(job, wavs[k]->Path(), {});
        if (Cache) Cache->Store(Keys[k], job.SampleFile, result.File->EncodedSize, result.File->Samples, job.Capacity);
      }
    } catch (...) {
      result.Error = std::current_exception();
    }
    Done(k, std::move(result));
  }
}

}  // namespace sound
