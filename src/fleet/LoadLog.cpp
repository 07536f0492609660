#include "fleet/LoadLog.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>

#include "lists/CsvField.h"

namespace fleet {
namespace {

std::string VidPid(const platform::TPortIdentity& A) { return A.IsUsb() ? A.VendorId + ":" + A.ProductId : ""; }

double Tenths(double S) { return std::round(S * 10) / 10; }

// Not in the user's number format: the log is read by programs.
std::string SecondsText(double S) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, Tenths(S), std::chars_format::fixed, 1);
  return std::string(text, r.ptr);
}

}  // namespace

std::string NowIso8601() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S+00:00", &utc);
  return text;
}

std::string CsvHeader() {
  return "time,port,serial_number,vid_pid,manufacturer,product,usb_path,device,memory_mb,list,digest,outcome,reason,"
         "seconds\r\n";
}

std::string CsvLine(const TLoadRecord& R) {
  const std::string fields[] = {R.Time,       R.Port,    R.Adapter.SerialNumber, VidPid(R.Adapter),
                                R.Adapter.Manufacturer, R.Adapter.Product, R.Adapter.UsbPath, R.Device,
                                R.MemoryMb,   R.ListFile, R.Digest, R.Outcome, R.Reason, SecondsText(R.Seconds)};
  std::string line;
  for (const std::string& f : fields) line += (line.empty() && &f == fields ? "" : ",") + lists::CsvField(f);
  return line + "\r\n";
}

std::string JsonLine(const TLoadRecord& R) {
  const nlohmann::ordered_json j{{"time", R.Time},
                                 {"port", R.Port},
                                 {"serial_number", R.Adapter.SerialNumber},
                                 {"vid_pid", VidPid(R.Adapter)},
                                 {"manufacturer", R.Adapter.Manufacturer},
                                 {"product", R.Adapter.Product},
                                 {"usb_path", R.Adapter.UsbPath},
                                 {"device", R.Device},
                                 {"memory_mb", R.MemoryMb},
                                 {"list", R.ListFile},
                                 {"digest", R.Digest},
                                 {"outcome", R.Outcome},
                                 {"reason", R.Reason},
                                 {"seconds", Tenths(R.Seconds)}};
  return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

TLoadLog::TLoadLog(const std::string& Path, bool Json) : file_(Path), json_(Json) {
  if (!json_ && file_.Empty()) file_.Append(CsvHeader());
}

void TLoadLog::Append(TLoadRecord Record) {
  if (Record.Time.empty()) Record.Time = NowIso8601();
  for (std::string* f : {&Record.Reason, &Record.Device})
    for (char& c : *f)
      if (c == '\n' || c == '\r') c = ' ';
  file_.Append(json_ ? JsonLine(Record) : CsvLine(Record));
}

}  // namespace fleet
