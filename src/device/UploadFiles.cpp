#include "device/UploadFiles.h"

#include "platform/temp_dir.h"

namespace UploadFiles {

std::string Folder() { return platform::RunTempDir(); }

std::string TempName(int Row, const std::string& Extension) {
  return Folder() + "temp" + std::to_string(Row) + Extension;
}

}  // namespace UploadFiles
