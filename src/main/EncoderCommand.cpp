#include "main/EncoderCommand.h"

#include <QFile>

#include "platform/exe_path.h"

QStringList SplitArguments(const QString& Text) {
  QStringList out;
  QString cur;
  bool quoted = false, have = false;
  for (const QChar c : Text) {
    if (c == u'"') {
      quoted = !quoted;
      have = true;  // "" is an empty argument, not nothing
    } else if (c == u' ' && !quoted) {
      if (have) out << cur;
      cur.clear();
      have = false;
    } else {
      cur += c;
      have = true;
    }
  }
  if (have) out << cur;
  return out;
}

QString ReplacePlaceholders(const QString& Text, const std::vector<std::pair<QString, QString>>& Values) {
  QString out;
  qsizetype i = 0;
  while (i < Text.size()) {
    bool hit = false;
    for (const auto& [key, value] : Values) {
      if (!key.isEmpty() && QStringView(Text).mid(i).startsWith(key)) {
        out += value;
        i += key.size();
        hit = true;
        break;
      }
    }
    if (!hit) out += Text[i++];
  }
  return out;
}

QStringList EncoderArguments(const QString& Source, const QString& Dest) {
  QStringList args = SplitArguments(EncoderTemplate);
  for (QString& a : args) a = ReplacePlaceholders(a, {{QStringLiteral("%SRC%"), Source}, {QStringLiteral("%DST%"), Dest}});
  return args;
}

QString EncoderPath() {
  const std::string local = platform::BundledProgram("coder", "ffmpeg");
  return local.empty() ? QStringLiteral("ffmpeg") : QFile::decodeName(local.c_str());
}
