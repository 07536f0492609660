#include "cli/Progress.h"

#include <algorithm>
#include <cstdio>

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

std::string LeftText(double Seconds) {
  if (Seconds < 0) return {};
  const long s = long(Seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld left", s / 60, s % 60);
  return text;
}

void TUploadMeter::Start(std::vector<int64_t> Sizes, uint32_t Now) {
  for (auto& s : Sizes) s = std::max<int64_t>(s, 0);
  sizes_ = std::move(Sizes);
  start_ = Now;
  row_ = shown_ = -1;
  before_ = at_ = 0;
  running_ = true;
}

void TUploadMeter::BeginRow(int Row) {
  if (Row < 0 || Row >= int(sizes_.size())) return;
  before_ = 0;
  for (int i = 0; i < Row; ++i) before_ += sizes_[size_t(i)];
  row_ = shown_ = Row;
  at_ = 0;
}

void TUploadMeter::EndRow() {
  if (row_ < 0) return;
  before_ += sizes_[size_t(row_)];
  row_ = -1;
  at_ = 0;
}

void TUploadMeter::RowSize(int64_t Size) {
  if (row_ >= 0) sizes_[size_t(row_)] = Size;
}

void TUploadMeter::At(int64_t BytesInRow) {
  if (row_ >= 0) at_ = std::min(BytesInRow, sizes_[size_t(row_)]);
}

TProgressFigures TUploadMeter::Figures(uint32_t Now) const {
  TProgressFigures f;
  f.Row = shown_ + 1;
  f.Rows = int(sizes_.size());
  for (const int64_t s : sizes_) f.Total += s;
  f.Bytes = before_ + std::max<int64_t>(at_, 0);
  const double seconds = double(Now - start_) / 1000.0;
  if (seconds > 0.2 && f.Bytes > 0) {
    f.Rate = double(f.Bytes) / seconds;
    f.SecondsLeft = double(f.Total - f.Bytes) / f.Rate;
  }
  return f;
}

}  // namespace cli
