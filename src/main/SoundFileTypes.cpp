#include <QCoreApplication>
#include "main/SoundFileTypes.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace {

// Formats ffmpeg decodes that people keep sounds in.
const char* const kSoundExtensions[] = {
    "wav", "wave", "w64", "mp3", "mp2", "mp1", "mpga", "ogg", "oga", "opus", "spx", "flac",
    "m4a", "m4b", "aac", "ac3", "eac3", "aif", "aiff", "aifc", "wma", "caf", "au", "snd",
    "amr", "ape", "wv", "mka", "mpc", "tta", "voc", "ra", "dts", "webm", "mp4"};

// The names in the dialog's name field: "a.wav" "b.mp3" when quoted, else the whole text.
QStringList TypedNames(const QString& Text) {
  if (!Text.contains(u'"')) return Text.trimmed().isEmpty() ? QStringList() : QStringList{Text.trimmed()};
  QStringList Names;
  const QStringList Parts = Text.split(u'"');
  for (int i = 1; i < Parts.size(); i += 2)
    if (!Parts[i].isEmpty()) Names << Parts[i];
  return Names;
}

}  // namespace

QStringList SoundFilePatterns() {
  QStringList Patterns;
  for (const char* E : kSoundExtensions) Patterns << QStringLiteral("*.") + QLatin1String(E);
  return Patterns;
}

QString ExtraOpenFilter() {
  return QCoreApplication::translate("SoundFileTypes", "All sound files") + u'|' + SoundFilePatterns().join(u';') +
         u'|' + QCoreApplication::translate("SoundFileTypes", "All files (*)") + QStringLiteral("|*");
}

QStringList ExpandSoundPaths(const QStringList& Paths) {
  QStringList Result;
  for (const QString& Path : Paths) {
    if (!QFileInfo(Path).isDir()) {
      Result << Path;
      continue;
    }
    const QDir Folder(Path);
    // Without QDir::CaseSensitive the patterns match whatever the case of the names.
    for (const QString& Name : Folder.entryList(SoundFilePatterns(), QDir::Files | QDir::Readable,
                                                QDir::Name | QDir::IgnoreCase))
      Result << Folder.filePath(Name);
  }
  return Result;
}

QStringList ChosenFiles(const QFileDialog& Dialog) {
  const auto* Edit = Dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!Edit) return Dialog.selectedFiles();
  const QDir Folder = Dialog.directory();
  QStringList Files;
  for (const QString& Name : TypedNames(Edit->text())) {
    const QString Path = Folder.absoluteFilePath(Name);
    if (!QFileInfo(Path).isFile()) return Dialog.selectedFiles();
    Files << QDir::cleanPath(Path);
  }
  return Files.isEmpty() ? Dialog.selectedFiles() : Files;
}
