#include "main/LengthProbe.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cmath>
#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "device/Protocol.h"
#include "platform/exe_path.h"

namespace {

// Out of the terminal's process group: Ctrl+C is the window's to handle, not the probe's.
void InGroupOfItsOwn(QProcess& Process) {
#ifdef Q_OS_WIN
  Process.setCreateProcessArgumentsModifier(
      [](QProcess::CreateProcessArguments* Args) { Args->flags |= CREATE_NEW_PROCESS_GROUP; });
#else
  Process.setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
}

}  // namespace

TLengthProbe::TLengthProbe(DoneHandler Done, QObject* Parent) : QObject(Parent), Done_(std::move(Done)) {}

TLengthProbe::~TLengthProbe() {
  if (Running_) {
    Running_->disconnect(this);
    Running_->kill();
    Running_->waitForFinished(5000);
  }
}

QString TLengthProbe::ProbePath() {
  static const QString Path = [] {
    const std::string Bundled = platform::BundledProgram("coder", "ffprobe");
    return Bundled.empty() ? QStringLiteral("ffprobe") : QFile::decodeName(Bundled.c_str());
  }();
  return Path;
}

qint64 TLengthProbe::BytesOfDuration(const QString& Text) {
  bool Ok = false;
  const double Seconds = Text.trimmed().toDouble(&Ok);
  if (!Ok || !std::isfinite(Seconds) || Seconds < 0) return -1;
  return qint64(std::llround(Seconds * protocol::SampleRate));
}

quint64 TLengthProbe::Request(const QString& FileName) {
  const quint64 Id = NextId_++;
  Queue_.push_back({Id, FileName});
  // Answers always arrive later, never inside Request: the caller may still be adding rows.
  if (!Running_ && Queue_.size() == 1) QTimer::singleShot(0, this, [this] { StartNext(); });
  return Id;
}

void TLengthProbe::StartNext() {
  while (!Running_ && !Queue_.empty()) {
    const Job Next = Queue_.front();
    Queue_.pop_front();
    if (!QFileInfo(Next.FileName).isFile()) {
      Done_(Next.Id, -1);
      continue;
    }
    RunningId_ = Next.Id;
    Running_ = new QProcess(this);
    Running_->setProcessChannelMode(QProcess::SeparateChannels);
    Running_->setStandardInputFile(QProcess::nullDevice());
    InGroupOfItsOwn(*Running_);
    connect(Running_, &QProcess::finished, this, [this](int Code, QProcess::ExitStatus Status) {
      const bool Ok = Status == QProcess::NormalExit && Code == 0;
      Finish(Ok ? BytesOfDuration(QString::fromLatin1(Running_->readAllStandardOutput())) : -1);
    });
    connect(Running_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError E) {
      if (E == QProcess::FailedToStart) Finish(-1);
    });
    // A plain file whatever its name looks like, and the probe may open nothing but files.
    Running_->start(ProbePath(), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-protocol_whitelist"),
                                  QStringLiteral("file"), QStringLiteral("-show_entries"),
                                  QStringLiteral("format=duration"), QStringLiteral("-of"),
                                  QStringLiteral("default=noprint_wrappers=1:nokey=1"),
                                  QStringLiteral("file:") + QFileInfo(Next.FileName).absoluteFilePath()});
  }
}

void TLengthProbe::Finish(qint64 Bytes) {
  // The process object may be inside its own signal: let it go once that has returned.
  Running_->deleteLater();
  Running_ = nullptr;
  Done_(RunningId_, Bytes);
  StartNext();
}
