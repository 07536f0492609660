#include "lists/AddressTable.h"

#include <cstdio>

namespace lists {
namespace {

std::string Field(const std::string& Text) {
  if (Text.find_first_of(",\"\r\n") == std::string::npos) return Text;
  std::string quoted = "\"";
  for (const char c : Text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::string AddressTableCsv(const std::vector<TAddressTableRow>& Rows) {
  // Column names are data for other programs, not texts for people: never translated.
  std::string csv = "input,digital address,file,prepared seconds,options\r\n";
  for (const TAddressTableRow& r : Rows) {
    char seconds[32] = "";
    if (r.Seconds) std::snprintf(seconds, sizeof seconds, "%.3f", *r.Seconds);
    csv += std::to_string(r.Input) + "," + std::to_string(r.Address) + "," + Field(r.File) + "," + seconds + "," +
           Field(r.Options) + "\r\n";
  }
  return csv;
}

}  // namespace lists
