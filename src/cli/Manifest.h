#pragma once
// The sounds the --all parent encoded once, handed to each child that uploads them: a small
// JSON file in the parent's temporary folder, beside the sample files it names.
#include <string>
#include <vector>

#include "device/Engine.h"

namespace cli {

struct TManifest {
  std::vector<std::string> Files;  // the user's sound of each row, for the progress
  TPreparedSounds Sounds;
};

void WriteManifest(const std::string& Path, const TManifest& Manifest);
// Throws std::runtime_error naming the file when it cannot be read.
TManifest ReadManifest(const std::string& Path);

}  // namespace cli
