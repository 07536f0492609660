#pragma once
// The encoder's command line.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// One text, two placeholders; the inner quotes keep a path with spaces one argument.
inline const QString EncoderTemplate =
    QStringLiteral("-i \"%SRC%\" -y -acodec pcm_u8 -ar 44100 -ac 1 -sample_fmt u8 \"%DST%\"");

// Splits at spaces outside double quotes and drops the quotes.
QStringList SplitArguments(const QString& Text);

// Replaces every placeholder in one left-to-right pass: replaced text is never looked at
// again, so a path holding "%DST%" stays as it is.
QString ReplacePlaceholders(const QString& Text, const std::vector<std::pair<QString, QString>>& Values);

// The template, split, with the two paths put in.
QStringList EncoderArguments(const QString& Source, const QString& Dest);

// coder/ffmpeg beside the executable when that is an executable file, else "ffmpeg",
// looked up in PATH when started.
QString EncoderPath();
