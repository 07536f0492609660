#pragma once
// The preparation options of prepare and upload: --loudness, --target, --trim, --dither.
#include <optional>
#include <string>

#include "sound/SoundOptions.h"

namespace cli {

struct TOptionOverrides {
  std::optional<sound::TLoudness> Loudness;
  std::optional<double> Target;
  bool Trim = false;
  std::optional<sound::TDither> Dither;

  bool Any() const { return Loudness || Target || Trim || Dither; }
  // The list's defaults with what the command line names put over them.
  sound::TSoundOptions Over(sound::TSoundOptions Defaults) const;
};

// Returns false when Name is not one of these options; Error tells a bad value.
bool TakeSoundOption(const std::string& Name, const std::string& Value, TOptionOverrides& Overrides,
                     std::string& Error);
bool TakeSoundFlag(const std::string& Name, TOptionOverrides& Overrides);
std::string SoundOptionsUsage();

}  // namespace cli
