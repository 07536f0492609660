#pragma once
// Prepared sounds kept between runs, keyed by the source's content, the options and the
// encoder, in the user's cache folder and bounded in size (the least recently used go).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "sound/SoundOptions.h"

namespace sound {

struct TCachedSound {
  std::filesystem::path SampleFile;  // the samples as they go on the wire
  int64_t EncodedSize = 0;           // of the encoder's file, for the memory check
  int64_t Samples = 0;
};

class TSoundCache {
 public:
  static constexpr uint64_t kDefaultMaxBytes = uint64_t(512) << 20;

  explicit TSoundCache(std::filesystem::path Folder, uint64_t MaxBytes = kDefaultMaxBytes);
  // The user's cache folder; none when the system names no such place.
  static std::optional<TSoundCache> ForUser();

  // Reads the whole source: a changed byte is a new key.
  std::string Key(const std::string& Source, const TSoundOptions& Options) const;
  // A sound prepared under Key whose length the encoder's limit of Capacity did not cut,
  // or that was cut at the same limit.
  std::optional<TCachedSound> Find(const std::string& Key, int64_t Capacity) const;
  // Never fails loudly: a cache that cannot be written only costs time.
  void Store(const std::string& Key, const std::string& SampleFile, int64_t EncodedSize, int64_t Samples,
             int64_t Capacity) const;
  // Removes the least recently used entries until the folder is within its bound.
  void Bound() const;
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  uint64_t maxBytes_;
};

// What identifies the encoder that runs: its path, size and time, so another encoder
// prepares again.
std::string EncoderIdentity();

}  // namespace sound
