#pragma once
// Replacing a file so that a crash leaves either the old or the new content, never a mix.
#include <filesystem>
#include <string_view>

namespace platform {

// Writes Bytes to a new file in Target's folder, flushes it to the disk and renames it over
// Target. A new Target gets the usual mode for new files; an existing one keeps its mode.
// A Target that is a symbolic link has the file it points to replaced; an existing Target
// that may not be written is refused. Throws std::system_error naming what failed; Target is
// then unchanged and no temporary file is left.
void ReplaceFileAtomically(const std::filesystem::path& Target, std::string_view Bytes);

// Path with the links of its last part followed to where they end (at most 40 of them);
// Path itself when it is no link or a link cannot be read. Folders on the way stay as named.
std::filesystem::path FollowLinks(std::filesystem::path Path);

}  // namespace platform
