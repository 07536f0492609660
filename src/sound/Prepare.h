#pragma once
// One sound prepared for the device: measured, converted by the encoder and its samples
// written as they go on the wire. Independent of any upload: its own temporary names, no
// shared state but the cache.
#include <atomic>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "sound/SoundCache.h"
#include "sound/SoundOptions.h"

namespace sound {

struct TPrepareJob {
  std::string Source;
  TSoundOptions Options;
  int64_t Capacity = 0;    // the encoder stops at this many samples and a second more
  std::string SampleFile;  // where the samples go
};

struct TPreparedFile {
  int64_t EncodedSize = 0;  // of the encoder's WAVE file, which the memory check counts
  int64_t Samples = 0;
  bool FromCache = false;
};

// The sound cannot be prepared. Why is the reason as the engine shows it under the file's
// name; NoSpace when the disk is full, which is no fault of the sound.
class EPrepareFailed : public std::runtime_error {
 public:
  EPrepareFailed(const std::string& Why, bool NoSpace) : std::runtime_error(Why), noSpace_(NoSpace) {}
  bool NoSpace() const { return noSpace_; }

 private:
  bool noSpace_;
};

// Stop was set: the encoder was ended and nothing is left behind.
class EPrepareStopped : public std::runtime_error {
 public:
  EPrepareStopped() : std::runtime_error("stopped") {}
};

// Throws EPrepareFailed, EPrepareStopped, or a file error of the samples' own files.
TPreparedFile PrepareSound(const TPrepareJob& Job, const TSoundCache* Cache, const std::atomic<bool>& Stop);

// PrepareSound's two halves. The cache's: a sound kept under Key (Cache.Key of the job)
// copied to the job's sample file, none when there is none.
std::optional<TPreparedFile> FromCache(const TPrepareJob& Job, const TSoundCache& Cache, const std::string& Key);
// The encoder's: the result kept in Cache under Key when a cache is given.
TPreparedFile PrepareUncached(const TPrepareJob& Job, const TSoundCache* Cache, const std::string& Key,
                              const std::atomic<bool>& Stop);

// How many times an encoder was started in this process (measure passes too).
int EncoderRuns();

// "No space left on device in <folder>", the engine's text for a full disk there.
std::string NoSpaceText(const std::string& Folder);

}  // namespace sound
