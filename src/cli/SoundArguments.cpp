#include "cli/SoundArguments.h"

#include <cstdlib>

#include "i18n/Translate.h"

namespace cli {

sound::TSoundOptions TOptionOverrides::Over(sound::TSoundOptions Defaults) const {
  if (Loudness) Defaults.Loudness = *Loudness;
  if (Target) Defaults.Target = *Target;
  if (Trim) Defaults.Trim = true;
  if (Dither) Defaults.Dither = *Dither;
  return Defaults;
}

bool TakeSoundOption(const std::string& Name, const std::string& Value, TOptionOverrides& Overrides,
                     std::string& Error) {
  if (Name == "--loudness") {
    Overrides.Loudness = sound::ParseLoudness(Value);
    if (!Overrides.Loudness) Error = i18n::Tr("--loudness needs off, peak or r128");
  } else if (Name == "--dither") {
    Overrides.Dither = sound::ParseDither(Value);
    if (!Overrides.Dither) Error = i18n::Tr("--dither needs off or triangular");
  } else if (Name == "--target") {
    char* end = nullptr;
    const double db = std::strtod(Value.c_str(), &end);
    if (Value.empty() || *end != '\0' || db < -70 || db > 0)
      Error = i18n::Tr("--target needs a level in dB from -70 to 0");
    Overrides.Target = db;
  } else {
    return false;
  }
  return true;
}

bool TakeSoundFlag(const std::string& Name, TOptionOverrides& Overrides) {
  if (Name != "--trim") return false;
  Overrides.Trim = true;
  return true;
}

std::string SoundOptionsUsage() {
  return i18n::Tr(
      "  --loudness off|peak|r128  bring every sound to one loudness: its highest sample (peak,\n"
      "               -1 dBFS) or its EBU R128 loudness (r128, -16 LUFS); over a list's own\n"
      "  --target DB  the peak or loudness target\n"
      "  --trim       cut the silence at the start and end, with short fades at the cuts\n"
      "  --dither off|triangular  triangular dither when the sound is cut to 8 bits\n");
}

}  // namespace cli
