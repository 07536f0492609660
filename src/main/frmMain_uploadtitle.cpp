// The whole upload's progress and time left in the title bar while the data goes out.
#include "device/TimeLeft.h"
#include "main/frmMain.h"

namespace {

constexpr qint64 kTitleEveryMs = 250;  // the data loop reports far more often than anyone reads
constexpr double kRateAfterSeconds = 1;  // a rate measured over less says little

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
  if (const double Left = SecondsLeft(Sent, Total, double(Now) / 1000, kRateAfterSeconds); Left >= 0)
    Progress += QStringLiteral(" - ") + tr("%1 left").arg(QString::fromStdString(WordClock(Left)));
  ShowUploadTitle(Progress);
}

void TForm1::ShowUploadTitle(const QString& Progress) {
  UploadTitle_ = Progress;
  setWindowTitle(NormalTitle() + UploadTitle_);
}
