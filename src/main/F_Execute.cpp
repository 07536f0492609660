#include "main/F_Execute.h"

#include <QFile>
#include <string>
#include <vector>

#include "main/EventPump.h"
#include "platform/process.h"
#include "platform/ticks.h"

QString TExecuteResult::Failure(const QString& FileName) const {
  if (!Started)
    return QStringLiteral("cannot start %1: %2").arg(FileName, QString::fromLocal8Bit(platform::StartErrorText(StartError)));
  if (!Exited) return QStringLiteral("%1 was ended by signal %2").arg(FileName).arg(ExitCode);
  if (ExitCode == 0) return {};
  const QString last = QString::fromLocal8Bit(platform::LastLine(ErrorOutput.toLocal8Bit().toStdString())).trimmed();
  if (!last.isEmpty()) return last;
  return QStringLiteral("%1 ended with exit code %2").arg(FileName).arg(ExitCode);
}

TExecuteResult ExecuteAndWait(QWidget*, const QString& FileName, const QStringList& Params, uint16_t) {
  std::vector<std::string> args;
  args.reserve(static_cast<size_t>(Params.size()));
  for (const QString& p : Params) args.push_back(QFile::encodeName(p).toStdString());

  // Between two looks at the child, handle events as they come, sleeping while none do.
  const platform::ProcessOutcome o = platform::RunAndWait(
      QFile::encodeName(FileName).toStdString(), args,
      [] { PumpEventsUntil(platform::GetTickCount(), 5, [] { return false; }); }, 0);

  TExecuteResult r;
  r.Started = o.Started;
  r.Exited = o.Exited;
  r.ExitCode = o.ExitCode;
  r.ErrorOutput = QString::fromLocal8Bit(o.ErrorOutput);
  r.StartError = o.StartError;
  return r;
}
