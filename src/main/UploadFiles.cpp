#include "main/UploadFiles.h"

#include <QFile>

#include "platform/temp_dir.h"

namespace UploadFiles {

QString Folder() { return QFile::decodeName(platform::RunTempDir().c_str()); }

QString TempName(int Row, const QString& Extension) {
  return Folder() + QStringLiteral("temp") + QString::number(Row) + Extension;
}

}  // namespace UploadFiles
