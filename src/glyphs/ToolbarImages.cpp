#include "glyphs/ToolbarImages.h"

#include <QFile>

TPngImage ToolbarImage(const QString& Name) {
  QFile file(QStringLiteral(":/glyphs/%1.png").arg(Name));
  if (!file.open(QIODevice::ReadOnly)) throw EPngError("No toolbar image named " + Name.toStdString());
  const QByteArray bytes = file.readAll();
  return TPngImage(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
}
