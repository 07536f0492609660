#include "sound/SoundCache.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

#include "device/EncoderCommand.h"
#include "device/Protocol.h"
#include "platform/state_dir.h"
#include "sound/EncoderArgs.h"

namespace sound {
namespace fs = std::filesystem;
namespace {

// Two independent 64-bit hashes and the length: enough to tell sound files apart without
// a cryptographic library.
class TContentHash {
 public:
  void Add(const char* Data, size_t Size) {
    for (size_t i = 0; i < Size; ++i) {
      const auto b = uint8_t(Data[i]);
      fnv_ = (fnv_ ^ b) * 0x100000001b3ULL;
      mix_ = (mix_ ^ b) * 0x9E3779B97F4A7C15ULL;
      mix_ ^= mix_ >> 29;
    }
    size_ += Size;
  }
  std::string Hex() const {
    char text[64];
    std::snprintf(text, sizeof text, "%016llx%016llx%llx", (unsigned long long)fnv_, (unsigned long long)mix_,
                  (unsigned long long)size_);
    return text;
  }

 private:
  uint64_t fnv_ = 0xcbf29ce484222325ULL, mix_ = 0x84222325cbf29ce4ULL, size_ = 0;
};

std::string HashText(const std::string& Text) {
  TContentHash h;
  h.Add(Text.data(), Text.size());
  return h.Hex();
}

// The limit the encoder stops at, in samples.
int64_t LimitSamples(int64_t Capacity) { return Capacity + protocol::SampleRate; }

fs::path Meta(const fs::path& Folder, const std::string& Key) { return Folder / (Key + ".meta"); }
fs::path Data(const fs::path& Folder, const std::string& Key) { return Folder / (Key + ".u8"); }

std::string UniqueSuffix() {
  // Other programs may store the same sound at the same time.
  static const unsigned run = std::random_device()();
  static std::atomic<unsigned> counter{0};
  return ".part" + std::to_string(run) + "-" + std::to_string(counter++);
}

}  // namespace

TSoundCache::TSoundCache(fs::path Folder, uint64_t MaxBytes) : folder_(std::move(Folder)), maxBytes_(MaxBytes) {}

std::optional<TSoundCache> TSoundCache::ForUser() {
  try {
    return TSoundCache(platform::UserCacheDir() / "sounds");
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string TSoundCache::Key(const std::string& Source, const TSoundOptions& Options) const {
  std::ifstream in(Source, std::ios::binary);
  if (!in) return {};
  TContentHash h;
  char block[64 * 1024];
  while (in.read(block, sizeof block) || in.gcount() > 0) h.Add(block, size_t(in.gcount()));
  if (in.bad()) return {};
  // The recipe too: a sound prepared with other filters is prepared again.
  return h.Hex() + "-" + HashText(Describe(Options) + "\n" + Recipe(Options) + "\n" + EncoderIdentity());
}

std::optional<TCachedSound> TSoundCache::Find(const std::string& Key, int64_t Capacity) const {
  if (Key.empty()) return std::nullopt;
  std::ifstream meta(Meta(folder_, Key));
  TCachedSound sound;
  int64_t limit = 0;
  if (!(meta >> sound.EncodedSize >> sound.Samples >> limit)) return std::nullopt;
  const bool cut = sound.Samples >= limit - protocol::SampleRate / 100;  // stopped by the limit, not the sound's end
  if (cut ? limit != LimitSamples(Capacity) : sound.Samples > LimitSamples(Capacity)) return std::nullopt;
  sound.SampleFile = Data(folder_, Key);
  std::error_code error;
  if (int64_t(fs::file_size(sound.SampleFile, error)) != sound.Samples || error) return std::nullopt;
  fs::last_write_time(sound.SampleFile, fs::file_time_type::clock::now(), error);  // recently used
  return sound;
}

void TSoundCache::Store(const std::string& Key, const std::string& SampleFile, int64_t EncodedSize, int64_t Samples,
                        int64_t Capacity) const {
  if (Key.empty()) return;
  std::error_code error;
  fs::create_directories(folder_, error);
  const std::string suffix = UniqueSuffix();
  const fs::path data = Data(folder_, Key), meta = Meta(folder_, Key);
  fs::copy_file(SampleFile, data.string() + suffix, fs::copy_options::overwrite_existing, error);
  if (error) return fs::remove(data.string() + suffix, error), void();
  {
    std::ofstream out(meta.string() + suffix);
    out << EncodedSize << ' ' << Samples << ' ' << LimitSamples(Capacity) << '\n';
    if (!out.flush()) error = std::make_error_code(std::errc::io_error);
  }
  // The samples are in place before the record that vouches for them.
  if (!error) fs::rename(data.string() + suffix, data, error);
  if (!error) fs::rename(meta.string() + suffix, meta, error);
  if (error) {
    fs::remove(data.string() + suffix, error);
    fs::remove(meta.string() + suffix, error);
  }
}

void TSoundCache::Bound() const {
  struct TEntry {
    fs::file_time_type Used;
    uint64_t Size;
    fs::path Data;
  };
  std::vector<TEntry> entries;
  uint64_t total = 0;
  std::error_code error;
  for (auto it = fs::directory_iterator(folder_, error); !error && it != fs::directory_iterator(); it.increment(error)) {
    if (it->path().extension() != ".u8") continue;
    std::error_code e;
    const TEntry entry{fs::last_write_time(it->path(), e), fs::file_size(it->path(), e), it->path()};
    if (e) continue;
    total += entry.Size;
    entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.Used < b.Used; });
  for (const TEntry& entry : entries) {
    if (total <= maxBytes_) break;
    fs::path meta = entry.Data;
    fs::remove(meta.replace_extension(".meta"), error);
    fs::remove(entry.Data, error);
    total -= entry.Size;
  }
}

std::string EncoderIdentity() {
  std::string path = EncoderPath();
  if (path.find_first_of("/\\") == std::string::npos) {
    // Looked up in PATH when started: the same lookup here.
    const char* dirs = std::getenv("PATH");
#ifdef _WIN32
    const char separator = ';';
    path += ".exe";
#else
    const char separator = ':';
#endif
    std::stringstream list(dirs ? dirs : "");
    for (std::string dir; std::getline(list, dir, separator);) {
      std::error_code e;
      if (!dir.empty() && fs::is_regular_file(fs::path(dir) / path, e)) {
        path = (fs::path(dir) / path).string();
        break;
      }
    }
  }
  std::error_code e;
  const auto size = fs::file_size(path, e);
  const auto time = fs::last_write_time(path, e).time_since_epoch().count();
  return path + " " + std::to_string(e ? 0 : size) + " " + std::to_string(e ? 0 : time);
}

}  // namespace sound
