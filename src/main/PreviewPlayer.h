#pragma once
// The preview: a row's sound prepared as the device will receive it and played through an
// audio sink, which tests replace to read what it was given. Never touches the port.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

#include "sound/SoundOptions.h"

class QTimer;
namespace sound {
class TParallelPrepare;
}

// Plays 8-bit unsigned mono samples at 44100 Hz.
class TAudioSink {
 public:
  virtual ~TAudioSink() = default;
  virtual void Start(const QByteArray& Samples) = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;
};

// Qt Multimedia's default output.
std::unique_ptr<TAudioSink> MakeDefaultAudioSink();

class TPreviewPlayer : public QObject {
  Q_OBJECT
 public:
  explicit TPreviewPlayer(QObject* Parent, std::unique_ptr<TAudioSink> Sink = MakeDefaultAudioSink());
  ~TPreviewPlayer() override;

  // Prepares and plays File; while it is being prepared or played, stops instead.
  void Toggle(const QString& File, const sound::TSoundOptions& Options);
  void Stop();
  bool Busy() const;
  TAudioSink& Sink() { return *sink_; }
  void SetSink(std::unique_ptr<TAudioSink> Sink);

 signals:
  // What the status bar says: preparing, playing, a failure, or "" when done.
  void StateText(const QString& Text);

 private:
  void CheckPrepared();
  void CheckPlaying();

  std::unique_ptr<TAudioSink> sink_;
  std::unique_ptr<sound::TParallelPrepare> preparing_;
  QString name_;
  std::string sampleFile_;
  QTimer* poll_;
};
