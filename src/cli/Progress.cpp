#include "cli/Progress.h"

#include <algorithm>
#include <cstdio>

#include "device/TimeLeft.h"

namespace cli {

std::string PercentText(double Percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f%%", Percent);
  return text;
}

std::string RateText(double BytesPerSecond) {
  if (BytesPerSecond <= 0) return {};
  char text[24];
  std::snprintf(text, sizeof text, "%.1f kB/s", BytesPerSecond / 1000.0);
  return text;
}

std::string LeftText(double Seconds) { return Seconds < 0 ? std::string() : WordClock(Seconds) + " left"; }

void TUploadMeter::Start(uint32_t Now) {
  start_ = Now;
  row_ = -1;
  sent_ = total_ = 0;
  running_ = true;
}

void TUploadMeter::BeginRow(int Row) { row_ = Row; }

void TUploadMeter::At(int64_t Sent, int64_t Total) {
  sent_ = Sent;
  total_ = Total;
}

TProgressFigures TUploadMeter::Figures(uint32_t Now) const {
  TProgressFigures f;
  f.Row = row_ + 1;
  f.Total = total_;
  f.Bytes = sent_;
  const double seconds = double(Now - start_) / 1000.0;
  constexpr double kRateAfterSeconds = 0.2;
  if (seconds > kRateAfterSeconds && f.Bytes > 0) f.Rate = double(f.Bytes) / seconds;
  f.SecondsLeft = SecondsLeft(f.Bytes, f.Total, seconds, kRateAfterSeconds);
  return f;
}

}  // namespace cli
