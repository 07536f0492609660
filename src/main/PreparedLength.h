#pragma once
// Prepares a sound whose options change its length (trimmed silence) in the background,
// one at a time, to tell how many samples the device will really hold. Results land in the
// user's sound cache, so a later upload or preview of the same sound costs nothing more.
#include <QObject>
#include <QSet>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "sound/SoundCache.h"
#include "sound/SoundOptions.h"

class QTimer;
namespace sound {
class TParallelPrepare;
}

class TPreparedLength : public QObject {
  Q_OBJECT
 public:
  // Done(Id, Bytes, Why): the prepared samples of request Id, or -1 and the reason it could
  // not be prepared. Called on the UI thread, in request order.
  using DoneHandler = std::function<void(quint64 Id, qint64 Bytes, const QString& Why)>;
  explicit TPreparedLength(DoneHandler Done, QObject* Parent = nullptr);
  ~TPreparedLength() override;  // ends the encoder still running

  static bool ChangesLength(const sound::TSoundOptions& Options) { return Options.Trim; }

  quint64 Request(const QString& FileName, const sound::TSoundOptions& Options);
  // Drops every request not in Wanted, also the one being prepared: its row went or changed.
  void KeepOnly(const QSet<quint64>& Wanted);
  bool Idle() const { return !running_ && queue_.empty(); }

 private:
  struct TJob {
    quint64 Id;
    QString FileName;
    sound::TSoundOptions Options;
  };
  void StartNext();
  void CheckRunning();
  void EndRunning();

  DoneHandler done_;
  std::optional<sound::TSoundCache> cache_;
  std::deque<TJob> queue_;
  std::unique_ptr<sound::TParallelPrepare> running_;
  quint64 runningId_ = 0;
  std::string sampleFile_;
  quint64 nextId_ = 1;
  QTimer* poll_;
};
