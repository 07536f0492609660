#pragma once
// Short sounds converted by one encoder run: the encoder's start-up (loading its libraries
// takes longer than converting a short sound) is paid once for all of them.
#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sound/Prepare.h"

namespace sound {

struct TPrepareResult {
  std::optional<TPreparedFile> File;
  std::exception_ptr Error;  // what the preparation threw
};

// Whether the job converts in one pass with nothing measured first, so it can share a run.
bool SharesRun(const TPrepareJob& Job);

// Converts Jobs (that share a run; Keys are their cache keys, empty without a cache) in one
// encoder run and hands each outcome to Done, in order. A run that does not come out clean
// (any error, a source with no or several audio streams) is done again one job a run, so
// every outcome, a failure's text too, is the job's own.
void PrepareTogether(const std::vector<const TPrepareJob*>& Jobs, const TSoundCache* Cache,
                     const std::vector<std::string>& Keys, const std::atomic<bool>& Stop,
                     const std::function<void(size_t Index, TPrepareResult Result)>& Done);

}  // namespace sound
