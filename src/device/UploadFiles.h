#pragma once
// The upload's temporary files: tempI.wav, tempI.dat and tempI.dat2 for row I, all in the
// one private folder of this program run, so the encoding and the data phase always
// meet the same files whatever the current directory is.
#include <string>

namespace UploadFiles {

// The folder, with a trailing separator.
std::string Folder();

// "temp" + Row + Extension inside Folder(); Extension includes its dot.
std::string TempName(int Row, const std::string& Extension);

}  // namespace UploadFiles
