#include "device/TimeLeft.h"

#include <cmath>
#include <cstdio>

double SecondsLeft(int64_t Done, int64_t Total, double Elapsed, double MinElapsed) {
  if (Total > 0 && Done >= Total) return 0;
  if (Done <= 0 || Elapsed < MinElapsed) return -1;
  return double(Total - Done) * Elapsed / double(Done);
}

std::string WordClock(double Seconds) {
  // Whole milliseconds first: a rate that comes out at 2.0000001 s still shows "0:02".
  const long long ms = Seconds > 0 ? std::llround(Seconds * 1000) : 0;
  const long long s = (ms + 999) / 1000;
  char text[32];
  if (s >= 3600) std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}
