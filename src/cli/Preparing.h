#pragma once
// Sounds prepared by the encoder service for prepare and table: one encoder per core, the
// user's cache, Ctrl+C a stop.
#include <optional>
#include <string>
#include <vector>

#include "device/Engine.h"
#include "sound/Prepare.h"

namespace cli {

struct TPreparedRow {
  std::string SampleFile;
  std::optional<sound::TPreparedFile> File;  // none: Error says why
  std::string Error;                          // the engine's text for a sound that did not convert
};

// Nothing when Ctrl+C stopped the preparation.
std::optional<std::vector<TPreparedRow>> PrepareRows(const std::vector<TUploadRow>& Rows);

}  // namespace cli
