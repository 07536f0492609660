#pragma once
// Replacing a file so that a crash leaves either the old or the new content, never a mix.
#include <filesystem>
#include <string_view>

namespace platform {

// Writes Bytes to a new file in Target's folder, flushes it to the disk and renames it over
// Target. A new Target gets the usual mode for new files; an existing one keeps its mode.
// Throws std::system_error naming what failed; Target is then unchanged and no temporary
// file is left.
void ReplaceFileAtomically(const std::filesystem::path& Target, std::string_view Bytes);

}  // namespace platform
