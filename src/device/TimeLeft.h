#pragma once
// How long a transfer still takes, worded the same in the window and on the command line.
#include <cstdint>
#include <string>

// Seconds the rest takes at the average rate so far; 0 once all is done, -1 while the rate is
// unknown (nothing done yet, or measured over less than MinElapsed seconds).
double SecondsLeft(int64_t Done, int64_t Total, double Elapsed, double MinElapsed);

// "2:41", or "1:02:41" from an hour on; rounded up to whole seconds, so "0:00" only at the end.
std::string WordClock(double Seconds);
