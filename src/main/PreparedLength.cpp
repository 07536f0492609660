#include "main/PreparedLength.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <atomic>

#include "device/Files.h"
#include "device/Protocol.h"
#include "platform/temp_dir.h"
#include "sound/ParallelPrepare.h"

namespace {

constexpr int kPollMs = 50;
std::atomic<unsigned> measures{0};

}  // namespace

TPreparedLength::TPreparedLength(DoneHandler Done, QObject* Parent)
    : QObject(Parent), done_(std::move(Done)), cache_(sound::TSoundCache::ForUser()), poll_(new QTimer(this)) {
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, [this] { CheckRunning(); });
}

TPreparedLength::~TPreparedLength() { EndRunning(); }

quint64 TPreparedLength::Request(const QString& FileName, const sound::TSoundOptions& Options) {
  const quint64 Id = nextId_++;
  queue_.push_back({Id, FileName, Options});
  // Answers always arrive later, never inside Request: the caller may still be adding rows.
  if (!running_ && queue_.size() == 1) QTimer::singleShot(0, this, [this] { StartNext(); });
  return Id;
}

void TPreparedLength::KeepOnly(const QSet<quint64>& Wanted) {
  std::erase_if(queue_, [&](const TJob& Job) { return !Wanted.contains(Job.Id); });
  if (running_ && !Wanted.contains(runningId_)) {
    EndRunning();
    QTimer::singleShot(0, this, [this] { StartNext(); });
  }
}

void TPreparedLength::StartNext() {
  while (!running_ && !queue_.empty()) {
    const TJob Next = queue_.front();
    queue_.pop_front();
    if (!QFileInfo(Next.FileName).isFile()) {
      done_(Next.Id, -1, tr("The file is missing."));
      continue;
    }
    runningId_ = Next.Id;
    sampleFile_ = platform::RunTempDir() + "length" + std::to_string(measures++) + ".u8";
    // The largest a device holds: the length is not bound to the device found last.
    running_ = std::make_unique<sound::TParallelPrepare>(
        std::vector<sound::TPrepareJob>{
            {QFile::encodeName(Next.FileName).toStdString(), Next.Options, protocol::LargestCapacity, sampleFile_}},
        cache_ ? &*cache_ : nullptr, 1);
    poll_->start();
  }
}

void TPreparedLength::CheckRunning() {
  if (!running_ || !running_->Ready(0)) return;
  qint64 Bytes = -1;
  QString Why;
  try {
    Bytes = running_->Take(0).Samples;
  } catch (const std::exception& e) {
    Why = QString::fromLocal8Bit(e.what());
  }
  const quint64 Id = runningId_;
  EndRunning();
  done_(Id, Bytes, Why);
  StartNext();
}

void TPreparedLength::EndRunning() {
  poll_->stop();
  running_.reset();  // ends its encoder and waits for it
  if (!sampleFile_.empty()) RemoveFile(sampleFile_);
  sampleFile_.clear();
}
