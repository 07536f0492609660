#include "main/PreviewPlayer.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>
#include <atomic>

#include "device/Files.h"
#include "device/Protocol.h"
#include "platform/temp_dir.h"
#include "sound/ParallelPrepare.h"

namespace {

class TQtAudioSink : public TAudioSink {
 public:
  void Start(const QByteArray& Samples) override {
    Stop();
    QAudioFormat format;
    format.setSampleRate(protocol::SampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::UInt8);
    buffer_.close();
    buffer_.setData(Samples);
    buffer_.open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), format);
    sink_->start(&buffer_);
  }
  void Stop() override {
    if (sink_) sink_->stop();
    sink_.reset();
  }
  bool Active() const override {
    return sink_ && sink_->state() == QAudio::ActiveState && !buffer_.atEnd();
  }

 private:
  QBuffer buffer_;
  std::unique_ptr<QAudioSink> sink_;
};

std::atomic<unsigned> previews{0};

}  // namespace

std::unique_ptr<TAudioSink> MakeDefaultAudioSink() { return std::make_unique<TQtAudioSink>(); }

TPreviewPlayer::TPreviewPlayer(QObject* Parent, std::unique_ptr<TAudioSink> Sink)
    : QObject(Parent), sink_(std::move(Sink)), poll_(new QTimer(this)) {
  poll_->setInterval(30);
  connect(poll_, &QTimer::timeout, this, [this] { preparing_ ? CheckPrepared() : CheckPlaying(); });
}

// Silent: the window that listens is being destroyed too.
TPreviewPlayer::~TPreviewPlayer() {
  blockSignals(true);
  Stop();
}

void TPreviewPlayer::SetSink(std::unique_ptr<TAudioSink> Sink) {
  Stop();
  sink_ = std::move(Sink);
}

bool TPreviewPlayer::Busy() const { return preparing_ || sink_->Active(); }

void TPreviewPlayer::Toggle(const QString& File, const sound::TSoundOptions& Options) {
  if (Busy()) return Stop();
  name_ = QFileInfo(File).fileName();
  sampleFile_ = platform::RunTempDir() + "preview" + std::to_string(previews++) + ".u8";
  // The largest a device holds: the preview is not bound to a device.
  preparing_ = std::make_unique<sound::TParallelPrepare>(
      std::vector<sound::TPrepareJob>{{QFile::encodeName(File).toStdString(), Options, protocol::LargestCapacity,
                                       sampleFile_}},
      nullptr, 1);
  emit StateText(tr("Preparing %1 to listen...").arg(name_));
  poll_->start();
}

void TPreviewPlayer::Stop() {
  preparing_.reset();  // ends its encoder
  sink_->Stop();
  poll_->stop();
  if (!sampleFile_.empty()) RemoveFile(sampleFile_);
  sampleFile_.clear();
  emit StateText(QString());
}

void TPreviewPlayer::CheckPrepared() {
  if (!preparing_->Ready(0)) return;
  try {
    preparing_->Take(0);
  } catch (const std::exception& e) {
    Stop();
    emit StateText(tr("Cannot listen to %1: %2").arg(name_, QString::fromLocal8Bit(e.what())));
    return;
  }
  preparing_.reset();
  QFile samples(QString::fromStdString(sampleFile_));
  samples.open(QIODevice::ReadOnly);
  sink_->Start(samples.readAll());
  emit StateText(tr("Playing %1 as the device will (Space stops)").arg(name_));
}

void TPreviewPlayer::CheckPlaying() {
  if (!sink_->Active()) Stop();
}
