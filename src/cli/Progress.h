#pragma once
// How far an upload's data phase has come: over all its rows, not just the one in flight.
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct TProgressFigures {
  int Row = 0;  // the input being sent, from 1; 0 before the data
  int Rows = 0;
  std::string File;
  int64_t Bytes = 0;  // samples sent, of all rows
  int64_t Total = 0;
  double Rate = 0;          // bytes per second since the data began
  double SecondsLeft = -1;  // -1 while unknown
  double Percent() const { return Total > 0 ? 100.0 * double(Bytes) / double(Total) : 0.0; }
};

// "45.2%", "11.5 kB/s", "1:07 left"; empty where a figure is unknown.
std::string PercentText(double Percent);
std::string RateText(double BytesPerSecond);
std::string LeftText(double Seconds);

class TUploadMeter {
 public:
  // Sizes holds every row's sample count, -1 where unknown; Now is the tick counter.
  void Start(std::vector<int64_t> Sizes, uint32_t Now);
  void BeginRow(int Row);      // from 0
  void RowSize(int64_t Size);  // the row in flight turned out this long
  void At(int64_t BytesInRow);
  void EndRow();  // the row in flight went whole
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  TProgressFigures Figures(uint32_t Now) const;

 private:
  std::vector<int64_t> sizes_;
  uint32_t start_ = 0;
  int row_ = -1;        // in flight
  int shown_ = -1;      // the last in flight
  int64_t before_ = 0;  // bytes of the rows before the one in flight
  int64_t at_ = 0;
  bool running_ = false;
};

}  // namespace cli
