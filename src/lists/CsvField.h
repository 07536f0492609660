#pragma once
// One field of a CSV line as RFC 4180 quotes it: the address table and the load log.
#include <string>

namespace lists {

inline std::string CsvField(const std::string& Text) {
  if (Text.find_first_of(",\"\r\n") == std::string::npos) return Text;
  std::string quoted = "\"";
  for (const char c : Text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace lists
