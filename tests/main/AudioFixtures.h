#pragma once
// Audio files made by the tests themselves, and the expectations computed independently
// of the program: ffmpeg asked for raw samples, no WAVE parsing involved.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fixtures {

// Runs ffmpeg (from PATH) with Args; returns its exit code. Output is discarded.
int Ffmpeg(const QStringList& Args);

// A canonical 44-byte-header PCM WAVE file with the given raw sample bytes.
void WriteWav(const QString& Path, const QByteArray& Samples, int Channels = 1, int Rate = 44100, int Bits = 8);

// A 16-bit stereo 48 kHz sine tone of Seconds made by ffmpeg's generator, optionally with
// a title tag (which ends up in the converted file's LIST chunk).
void MakeTone(const QString& Path, double Seconds, int Frequency = 440, const QString& Title = {});

// What the device should receive for Source: ffmpeg's 8-bit mono 44.1 kHz raw output.
QByteArray RawSamples(const QString& Source);

// Every 0x00 turned into 0x01, as the sender must.
QByteArray NoZeros(QByteArray Bytes);

QByteArray ReadAll(const QString& Path);

}  // namespace fixtures
