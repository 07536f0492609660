#pragma once
// Asks ffprobe how long each sound is, one file at a time in the background, so adding
// thirty files never freezes the window.
#include <QObject>
#include <QProcess>
#include <QString>
#include <deque>
#include <functional>

class TLengthProbe : public QObject {
  Q_OBJECT
 public:
  // Done(Id, Bytes): the samples the device will hold for request Id, or -1 when the file
  // is missing or ffprobe cannot tell. Called on the UI thread, in request order.
  using DoneHandler = std::function<void(quint64 Id, qint64 Bytes)>;
  explicit TLengthProbe(DoneHandler Done, QObject* Parent = nullptr);
  ~TLengthProbe() override;

  // Queues FileName and returns the request's id.
  quint64 Request(const QString& FileName);

  // Device bytes (one per sample) for a duration in seconds, as ffprobe prints it.
  static qint64 BytesOfDuration(const QString& Text);
  // coder/ffprobe beside the executable when there is one, else "ffprobe" from PATH.
  static QString ProbePath();

 private:
  struct Job {
    quint64 Id;
    QString FileName;
  };
  void StartNext();
  void Finish(qint64 Bytes);

  DoneHandler Done_;
  std::deque<Job> Queue_;
  QProcess* Running_ = nullptr;  // a child of this probe
  quint64 RunningId_ = 0;
  quint64 NextId_ = 1;
};
