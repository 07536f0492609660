// prepare: each sound as the device will play it, as a WAVE file any player opens.
#include <filesystem>
#include <set>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Preparing.h"
#include "i18n/Translate.h"
#include "sound/WaveWriter.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Named after the source: horn.mp3 becomes horn.wav.
fs::path Target(const TCliArgs& Args, const std::string& Source) {
  return fs::path(Args.OutDir) / fs::path(Source).filename().replace_extension(".wav");
}

// Two sources with one name would overwrite each other's sound.
std::string SameNames(const TCliArgs& Args) {
  std::set<fs::path> seen;
  for (const TUploadRow& r : Args.Files)
    if (!seen.insert(Target(Args, r.FileName)).second)
      return i18n::Fill(i18n::Tr("two sounds would both be written as \"%1\""), {Target(Args, r.FileName).string()});
  return {};
}

}  // namespace

int RunPrepare(const TCliArgs& Args, TReporter& Reporter) {
  std::string problem = SameNames(Args);
  std::error_code error;
  fs::create_directories(Args.OutDir, error);
  if (problem.empty() && !fs::is_directory(Args.OutDir))
    problem = i18n::Fill(i18n::Tr("cannot make the folder \"%1\": %2"), {Args.OutDir, error.message()});
  if (!problem.empty()) {
    Reporter.Message(ReasonMessage(problem));
    return Report(Reporter, {esError, kErrorName, ReasonMessage(problem)});
  }
  std::vector<TUploadRow> rows = Args.Files;
  for (TUploadRow& r : rows) r.Options = Args.Options.Over({});
  const auto prepared = PrepareRows(rows);
  if (!prepared) return Report(Reporter, {esCancelled, OutcomeName(TUploadOutcome::Cancelled), {{TNoticeId::Cancelled}}});
  int failed = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const TPreparedRow& p = (*prepared)[i];
    if (!p.File) {
      Reporter.Message(ReasonMessage(p.Error));
      ++failed;
      continue;
    }
    sound::WriteWave(p.SampleFile, Target(Args, rows[i].FileName).string());
    std::printf("%s\t%.3f\n", Target(Args, rows[i].FileName).string().c_str(), double(p.File->Samples) / 44100.0);
  }
  if (failed > 0)
    return Report(Reporter, {esConversionFailed, OutcomeName(TUploadOutcome::EncodingFailed),
                             {{TNoticeId::SoundsNotPrepared, {int64_t(failed), int64_t(rows.size())}}}});
  return Report(Reporter, {esCompleted, OutcomeName(TUploadOutcome::Completed),
                           {{TNoticeId::SoundsPrepared, {int64_t(rows.size())}}}});
}

}  // namespace cli
