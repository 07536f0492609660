#pragma once
// The upload's temporary files: tempI.wav, tempI.dat and tempI.dat2 for row I, all in the
// one private folder of this program run, so the encoding and the data phase always
// meet the same files whatever the current directory is.
#include <QString>

namespace UploadFiles {

// The folder, with a trailing '/'.
QString Folder();

// "temp" + Row + Extension inside Folder(); Extension includes its dot.
QString TempName(int Row, const QString& Extension);

}  // namespace UploadFiles
