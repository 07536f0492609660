#pragma once
// What the window shots share: sounds to list and the title bar the offscreen platform omits.
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <QStringList>
#include <utility>
#include <vector>

namespace shot {

// An 8-bit mono 44100 Hz WAVE file of Seconds of silence.
void WriteSilence(const QString& Path, double Seconds);

// Seconds of silence for each name, written into Folder; the paths in that order.
QStringList WriteSounds(const QString& Folder, const std::vector<std::pair<const char*, double>>& Sounds);

// The list shots' three horns, of 28, 6.5 and 12.3 s, in Folder (made here); their paths.
QStringList WriteHorns(const QString& Folder);

// The window with a title bar drawn above it.
QImage WithTitleBar(const QPixmap& Window, const QString& Title);

// Writes the window with its title bar as PNG to Output; a failure goes to standard error
// with Program's name.
bool SaveShot(QWidget& Window, const QString& Output, const char* Program);

}  // namespace shot
