#pragma once
// The load log: one line per device and attempt, appended whole, as CSV or as JSON lines.
#include <memory>
#include <string>

#include "platform/append_file.h"
#include "platform/port_identity.h"

namespace fleet {

struct TLoadRecord {
  std::string Time;  // ISO 8601 with its UTC offset; NowIso8601() when left empty
  std::string Port;
  platform::TPortIdentity Adapter;
  std::string Device, MemoryMb, ListFile, Digest;
  std::string Outcome;  // the stable outcome name
  std::string Reason;   // the message, on one line
  double Seconds = 0;
};

// The present time in UTC, "2026-12-08T23:40:01+00:00".
std::string NowIso8601();
// The CSV header line and a record's line (RFC 4180), each with its "\r\n".
std::string CsvHeader();
std::string CsvLine(const TLoadRecord& Record);
// A record as one JSON object with "\n".
std::string JsonLine(const TLoadRecord& Record);

class TLoadLog {
 public:
  // Opens (creates) the file first, so that a log that cannot be written stops a run before
  // anything is uploaded; writes the CSV header into a new or empty file. Throws
  // std::system_error naming the file.
  TLoadLog(const std::string& Path, bool Json);
  void Append(TLoadRecord Record);

 private:
  platform::TAppendFile file_;
  bool json_;
};

}  // namespace fleet
