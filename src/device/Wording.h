#pragma once
// The engine's notices worded in the user's language, through the catalogue (i18n).
#include <string>

#include "device/FrontEnd.h"
#include "device/Notice.h"

std::string Word(const TNotice& Notice);
// The lines of Message, one under the other.
std::string Word(const TNotices& Message);
// "Idle", "Encoding...", ..., "Failed" as the sound list shows them.
std::string WordRowState(TRowState State);
// A number with Decimals digits after the locale's separator.
std::string WordDecimal(double Value, int Decimals);
// The same with the given separator, for a front end that keeps its own locale.
std::string WordDecimal(double Value, int Decimals, const std::string& Separator);

// Bytes of samples as the seconds they play and as megabytes, one decimal each.
TDecimal SecondsOf(int64_t Bytes);
TDecimal MegabytesOf(int64_t Bytes);
