#include "sound/Prepare.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "device/EncoderCommand.h"
#include "device/F_Execute.h"
#include "device/Files.h"
#include "device/Protocol.h"
#include "device/WaveFile.h"
#include "platform/process.h"
#include "platform/temp_dir.h"
#include "sound/EncoderArgs.h"
#include "sound/PrepareSteps.h"

namespace sound {
namespace {

constexpr int kCopyBlock = 4096;
constexpr int kPollMs = 20;
const char* const kNoSpace = "No space left on device";
std::atomic<int> encoderRuns{0};

std::string FolderOf(const std::string& Path) {
  const std::string folder = std::filesystem::path(Path).parent_path().string();
  return folder.empty() ? "." : folder + std::string(1, std::filesystem::path::preferred_separator);
}

std::string FailureOf(const platform::TProcessOutcome& Outcome, const std::string& Folder) {
  // The encoder may report a full disk and still exit with success.
  if (Outcome.ErrorOutput.find(kNoSpace) != std::string::npos) throw EPrepareFailed(NoSpaceText(Folder), true);
  return ResultOf(Outcome).Failure(EncoderPath());
}

struct TGain {
  double Db = 0.0;
  bool Limit = false;
};

// The correction that brings the shaped sound to the target (none for a silent one), and
// whether its peaks then need the limiter.
TGain MeasureGain(const TPrepareJob& Job, const std::atomic<bool>& Stop) {
  const platform::TProcessOutcome o = RunEncoder(MeasureArguments(Job.Source, Job.Options), Stop);
  const std::string why = FailureOf(o, FolderOf(Job.SampleFile));
  if (!why.empty()) throw EPrepareFailed(why, false);
  const auto level = ParseMeasurement(o.ErrorOutput, Job.Options.Loudness);
  if (!level) return {};
  const double gain = Job.Options.TargetOrDefault() - *level;
  return {gain, NeedsLimiter(Job.Options, ParseTruePeak(o.ErrorOutput), gain)};
}

// Copies the samples of the encoder's file, and only they, with 0x00 (the end mark) as 0x01.
int64_t WriteSamples(const std::string& Encoded, const std::string& Target) {
  TFile source(Encoded, TFile::fmRead);
  std::string why;
  const std::optional<TWaveData> data = FindWaveData(source, &why);
  if (!data) throw EPrepareFailed(why, false);
  TFile target(Target, TFile::fmWrite);
  source.Seek(data->Offset);
  char block[kCopyBlock];
  for (int64_t left = data->Size; left > 0;) {
    const size_t want = size_t(std::min<int64_t>(kCopyBlock, left));
    if (source.Read(block, want) != want)
      throw std::runtime_error("Cannot read file \"" + NativePath(Encoded) + "\". Unexpected end of file");
    std::replace(block, block + want, char(protocol::EndMark), char(protocol::ZeroSample));
    target.Write(block, want);
    left -= int64_t(want);
  }
  target.Close();  // a buffered write that failed shows here
  if (FileSizeOf(Target) != int64_t(data->Size))
    throw std::runtime_error("Cannot write file \"" + NativePath(Target) + "\". It came out short");
  return data->Size;
}

TPreparedFile Encode(const TPrepareJob& Job, const std::atomic<bool>& Stop) {
  const TGain gain = Job.Options.Loudness != TLoudness::Off ? MeasureGain(Job, Stop) : TGain{};
  const TRemoveAtEnd wav(PrivateName(".wav"));
  const platform::TProcessOutcome o =
      RunEncoder(EncodeArguments(Job.Source, wav.Path(), Job.Capacity, Job.Options, gain.Db, gain.Limit), Stop);
  return Collect(Job, wav.Path(), FailureOf(o, FolderOf(wav.Path())));
}

bool CopyFromCache(const TCachedSound& Cached, const std::string& Target) {
  std::error_code error;
  std::filesystem::copy_file(Cached.SampleFile, Target, std::filesystem::copy_options::overwrite_existing, error);
  if (!error && FileSizeOf(Target) == Cached.Samples) return true;
  RemoveFile(Target);
  return false;
}

}  // namespace

TRemoveAtEnd::~TRemoveAtEnd() { RemoveFile(path_); }

std::string PrivateName(const char* Extension) {
  static std::atomic<unsigned> counter{0};
  return platform::RunTempDir() + "prep" + std::to_string(counter++) + Extension;
}

platform::TProcessOutcome RunEncoder(const std::vector<std::string>& Args, const std::atomic<bool>& Stop) {
  ++encoderRuns;
  // Out of the terminal's process group: Ctrl+C is the program's to turn into a stop.
  platform::TChildProcess child(EncoderPath(), Args, {.OwnGroup = true});
  while (child.Running(kPollMs))
    if (Stop) throw EPrepareStopped();  // the child is ended with its group
  if (Stop) throw EPrepareStopped();    // a stop as it ended is a stop, not its failure
  return child.Outcome();
}

TPreparedFile Collect(const TPrepareJob& Job, const std::string& Wav, std::string Why) {
  const int64_t size = FileSizeOf(Wav);
  if (Why.empty() && size < 0) Why = "the encoder wrote no file";
  if (!Why.empty()) throw EPrepareFailed(Why, false);
  TPreparedFile prepared{size, 0, false};
  try {
    prepared.Samples = WriteSamples(Wav, Job.SampleFile);
  } catch (const EFileError& e) {
    RemoveFile(Job.SampleFile);
    if (e.SystemError() == ENOSPC) throw EPrepareFailed(NoSpaceText(FolderOf(Job.SampleFile)), true);
    throw;
  } catch (...) {
    RemoveFile(Job.SampleFile);
    throw;
  }
  if (prepared.Samples == 0) {
    RemoveFile(Job.SampleFile);
    throw EPrepareFailed("the sound holds no samples", false);
  }
  return prepared;
}

std::optional<TPreparedFile> FromCache(const TPrepareJob& Job, const TSoundCache& Cache, const std::string& Key) {
  if (const auto cached = Cache.Find(Key, Job.Capacity); cached && CopyFromCache(*cached, Job.SampleFile))
    return TPreparedFile{cached->EncodedSize, cached->Samples, true};
  return std::nullopt;
}

TPreparedFile PrepareUncached(const TPrepareJob& Job, const TSoundCache* Cache, const std::string& Key,
                              const std::atomic<bool>& Stop) {
  const TPreparedFile prepared = Encode(Job, Stop);
  if (Cache) Cache->Store(Key, Job.SampleFile, prepared.EncodedSize, prepared.Samples, Job.Capacity);
  return prepared;
}

TPreparedFile PrepareSound(const TPrepareJob& Job, const TSoundCache* Cache, const std::atomic<bool>& Stop) {
  const std::string key = Cache ? Cache->Key(Job.Source, Job.Options) : std::string();
  if (Cache)
    if (const auto cached = FromCache(Job, *Cache, key)) return *cached;
  return PrepareUncached(Job, Cache, key, Stop);
}

int EncoderRuns() { return encoderRuns; }

std::string NoSpaceText(const std::string& Folder) { return std::string(kNoSpace) + " in " + NativePath(Folder); }

}  // namespace sound
