// The whole upload's progress and time left in the title bar while the data goes out.
#include "main/frmMain.h"

namespace {

constexpr qint64 kTitleEveryMs = 250;  // the data loop reports far more often than anyone reads
constexpr qint64 kRateAfterMs = 1000;  // a rate measured over less says little

// "2:41", or "1:02:41" from an hour on; rounded up, so "0:00" only at the end.
QString Clock(qint64 Ms) {
  const qint64 S = (Ms + 999) / 1000;
  const auto Two = [](qint64 N) { return QStringLiteral("%1").arg(N, 2, 10, QLatin1Char('0')); };
  if (S >= 3600) return QStringLiteral("%1:%2:%3").arg(S / 3600).arg(Two(S / 60 % 60), Two(S % 60));
  return QStringLiteral("%1:%2").arg(S / 60).arg(Two(S % 60));
}

}  // namespace

void TForm1::ShowUploadPosition(int64_t Sent, int64_t Total) {
  if (!UploadClock_.isValid()) {  // the data phase starts
    UploadClock_.start();
    UploadTitleShownAt_ = -kTitleEveryMs;
  }
  const qint64 Now = UploadClock_.elapsed();
  if ((Sent < Total && Now - UploadTitleShownAt_ < kTitleEveryMs) || Total <= 0) return;
  UploadTitleShownAt_ = Now;
  QString Progress = QStringLiteral(" - %1%").arg(Sent * 100 / Total);
  if (Sent >= Total)
    Progress += QStringLiteral(" - ") + tr("%1 left").arg(QStringLiteral("0:00"));
  else if (Sent > 0 && Now >= kRateAfterMs)  // the rate so far, bytes per ms: Sent / Now
    Progress += QStringLiteral(" - ") + tr("%1 left").arg(Clock((Total - Sent) * Now / Sent));
  ShowUploadTitle(Progress);
}

void TForm1::ShowUploadTitle(const QString& Progress) {
  UploadTitle_ = Progress;
  setWindowTitle(NormalTitle() + UploadTitle_);
}
