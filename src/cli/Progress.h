#pragma once
// How far an upload's data phase has come: over all its rows, not just the one in flight.
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

struct TProgressFigures {
  int Row = 0;  // the input being sent, from 1; 0 before the data
  int64_t Bytes = 0;  // samples sent, of all rows
  int64_t Total = 0;
  double Rate = 0;          // bytes per second since the data began
  double SecondsLeft = -1;  // -1 while unknown
  double Percent() const { return Total > 0 ? 100.0 * double(Bytes) / double(Total) : 0.0; }
};

// "45.2%", "11.5 kB/s", "1:07 left" (the clock as the window shows it); empty where unknown.
std::string PercentText(double Percent);
std::string RateText(double BytesPerSecond);
std::string LeftText(double Seconds);

class TUploadMeter {
 public:
  // Now is the tick counter.
  void Start(uint32_t Now);
  void BeginRow(int Row);  // from 0
  void At(int64_t Sent, int64_t Total);  // sample bytes of the whole data phase
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  TProgressFigures Figures(uint32_t Now) const;

 private:
  uint32_t start_ = 0;
  int row_ = -1;  // the last in flight
  int64_t sent_ = 0, total_ = 0;
  bool running_ = false;
};

}  // namespace cli
