#pragma once
// The steps of a preparation that one sound's run and a shared run have in common.
#include <atomic>
#include <string>
#include <vector>

#include "platform/process.h"
#include "sound/Prepare.h"

namespace sound {

// Removes its file when it goes.
class TRemoveAtEnd {
 public:
  explicit TRemoveAtEnd(std::string Path) : path_(std::move(Path)) {}
  ~TRemoveAtEnd();
  TRemoveAtEnd(const TRemoveAtEnd&) = delete;
  TRemoveAtEnd& operator=(const TRemoveAtEnd&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A name no other preparation in this run uses.
std::string PrivateName(const char* Extension);

// Runs the encoder to its end, stopping it when Stop is set; its error output says how it went.
platform::TProcessOutcome RunEncoder(const std::vector<std::string>& Args, const std::atomic<bool>& Stop);

// The job's samples taken from the encoder's WAVE file, Why being the encoder's failure.
TPreparedFile Collect(const TPrepareJob& Job, const std::string& Wav, std::string Why);

}  // namespace sound
